#include "settings.h"

#include "corelogging.h"
#include "networkaccessmanager.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#ifdef Q_OS_WIN
#include "programfiles.h"
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
    // Beside the program only where that can be written (a build tree, a portable copy): a
    // settings file that cannot be written would drop every change silently.
    portableInstall =
        portable && canKeepSettingsIn(applicationPath(), organizationName, applicationName);
    if (portable && !portableInstall)
        qCDebug(lcCore) << "Settings::Settings the program's folder cannot be written";
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       portableInstall ? applicationPath() : userSettingsFolder());
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

bool Settings::canKeepSettingsIn(const QString &folder, const QString &organizationName,
                                 const QString &applicationName)
{
    // The first of file, organisation folder and folder that exists decides: the file must be
    // writable, a folder must let us create what is missing inside it.
    const QDir base(folder);
    const QFileInfo file(base.filePath(organizationName + QLatin1Char('/') + applicationName +
                                       QStringLiteral(".ini")));
    if (file.exists())
        return file.isFile() && file.isWritable();
    const QFileInfo organizationFolder(base.filePath(organizationName));
    if (organizationFolder.exists())
        return organizationFolder.isDir() && organizationFolder.isWritable();
    const QFileInfo programFolder(folder);
    return programFolder.isDir() && programFolder.isWritable();
}

QString Settings::userSettingsFolder()
{
#ifdef Q_OS_WIN
    // Qt's own place for user INI files on Windows.
    return qEnvironmentVariable("APPDATA");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
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
    return !isInstalledUnderProgramFiles(
        QDir::toNativeSeparators(applicationPath()).toStdWString());
#else
    return true;
#endif
}

} // namespace QT_EXT
