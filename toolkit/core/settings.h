#pragma once

#include <QObject>
#include <QString>

class QFont;
class QNetworkCookieJar;
class QWidget;

namespace QT_EXT {

class NetworkAccessManager;

// Fixes where the settings live (INI format, optionally beside the program) and offers the
// settings operations that several classes share. Everything else reads and writes through a
// default-constructed QSettings, which picks up the names, format and path set here, so an
// instance must exist before any other part opens a QSettings.
class Settings : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Settings)

public:
    // With portable set, the INI file lies in the program's folder,
    // <program dir>/<organizationName>/<applicationName>.ini, as long as that can be written.
    // Otherwise, and without portable (an installed program), it lies in the user's
    // configuration folder, <config>/<organizationName>/<applicationName>.ini, and isPortable()
    // is false: a settings file that cannot be written would lose every change.
    Settings(QObject *parent, const QString &applicationName, const QString &organizationName,
             bool portable);
    ~Settings() override;

    // Window geometry is kept per object name under "Window<objectName>".
    void restoreWindowGeometry(QWidget *widget);
    void saveWindowGeometry(QWidget *widget);

    // Fonts by slot under "SettingsFonts<slot>"; see loadFont for the defaults.
    void loadFont(QFont &font, int slot);
    void saveFont(const QFont &font, int slot);
    // Returns false and leaves font unchanged when no application font is stored.
    bool loadAppFont(QFont &font);
    void saveAppFont(const QFont &font);

    // The process-wide network access manager and its cookie jar: forwarders to
    // NetworkAccessManager::shared() of the network library, which this library links.
    static NetworkAccessManager *networkAccessManager();
    static QNetworkCookieJar *cookieJar();

    // Whether the settings file <folder>/<organizationName>/<applicationName>.ini can be created
    // or written.
    static bool canKeepSettingsIn(const QString &folder, const QString &organizationName,
                                  const QString &applicationName);
    // The user's configuration folder, where settings go when they cannot stay beside the
    // program (~/.config or $XDG_CONFIG_HOME outside Windows).
    static QString userSettingsFolder();

    static QString applicationPath();
    static QString applicationFilePath(const QString &name);
    bool isPortable() const;

    // Runs the portable-installation test and sets up the data folder: a portable installation
    // keeps its data in the program's folder, an installed one in a folder named after the
    // application under the home folder, where the INI path then points as well.
    void initDataPath();

protected:
    QString organizationName;
    QString organizationDomain;
    QString applicationName;
    QString dataPath;
    bool portableInstall = true;

private:
    static bool testPortableInstall();
};

} // namespace QT_EXT
