#include "settings.h"

#include "corelogging.h"
#include "networkaccessmanager.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QSettings>
#include <QWidget>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shlobj.h>
#endif

namespace QT_EXT {

namespace {

QString windowKey(const QWidget *widget)
{
    return QStringLiteral("Window%1").arg(widget->objectName());
}

QString fontKey(int slot)
{
    return QStringLiteral("%1%2").arg(QStringLiteral("SettingsFonts")).arg(slot);
}

const QString appFontKey = QStringLiteral("AppFont");

} // namespace

Settings::Settings(QObject *parent, const QString &applicationName, const QString &organizationName,
                   bool portable)
    : QObject(parent), organizationName(organizationName), organizationDomain(organizationName),
      applicationName(applicationName), portableInstall(portable)
{
    QCoreApplication::setOrganizationName(organizationName);
    QCoreApplication::setApplicationName(applicationName);
    QSettings::setDefaultFormat(QSettings::IniFormat);
    if (portable) {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QCoreApplication::applicationDirPath());
    }
}

Settings::~Settings() = default;

void Settings::restoreWindowGeometry(QWidget *widget)
{
    if (!widget)
        return;
    const QByteArray geometry = QSettings().value(windowKey(widget), QByteArray()).toByteArray();
    // A missing key leaves the widget as it is; a value that cannot be applied is ignored by
    // restoreGeometry itself.
    if (!geometry.isEmpty())
        widget->restoreGeometry(geometry);
}

void Settings::saveWindowGeometry(QWidget *widget)
{
    if (!widget)
        return;
    QSettings().setValue(windowKey(widget), widget->saveGeometry());
}

void Settings::loadFont(QFont &font, int slot)
{
    const QString text = QSettings().value(fontKey(slot)).toString();
    if (!text.isEmpty() && font.fromString(text))
        return;
    if (slot == 0) {
        loadAppFont(font);
        return;
    }
    font = QFont(QStringLiteral("Segoe UI"), slot == 3 ? 8 : 9);
}

void Settings::saveFont(const QFont &font, int slot)
{
    QSettings().setValue(fontKey(slot), font.toString());
}

bool Settings::loadAppFont(QFont &font)
{
    const QString text = QSettings().value(appFontKey).toString();
    if (text.isEmpty())
        return false;
    QFont stored = font;
    if (!stored.fromString(text))
        return false;
    font = stored;
    return true;
}

void Settings::saveAppFont(const QFont &font)
{
    QSettings().setValue(appFontKey, font.toString());
}

NetworkAccessManager *Settings::networkAccessManager()
{
    return NetworkAccessManager::shared();
}

QNetworkCookieJar *Settings::cookieJar()
{
    return networkAccessManager()->cookieJar();
}

QString Settings::applicationPath()
{
    return QCoreApplication::applicationDirPath();
}

QString Settings::applicationFilePath(const QString &name)
{
    return QDir(applicationPath()).filePath(name);
}

bool Settings::isPortable() const
{
    return portableInstall;
}

void Settings::initDataPath()
{
    portableInstall = testPortableInstall();
    if (portableInstall) {
        dataPath = applicationPath();
        return;
    }
    dataPath = QDir(QDir::homePath()).filePath(applicationName);
    if (!QDir().mkpath(dataPath))
        qCWarning(lcCore) << "Settings::initDataPath cannot create" << dataPath;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dataPath);
}

bool Settings::testPortableInstall()
{
#ifdef Q_OS_WIN
    // An installed copy lives under the program-files folder and has an uninstaller beside it.
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES, FALSE))
        return true;
    const QString programFiles = QString::fromWCharArray(folder);
    const QString appDir = QDir::toNativeSeparators(applicationPath());
    if (programFiles.isEmpty() || !appDir.contains(programFiles, Qt::CaseInsensitive))
        return true;
    return !QFile::exists(applicationFilePath(QStringLiteral("unins000.exe")));
#else
    return true;
#endif
}

} // namespace QT_EXT
