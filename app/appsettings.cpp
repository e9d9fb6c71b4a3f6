#include "appsettings.h"

#include "installedlayout.h"

#include <QCoreApplication>
#include <QSettings>

namespace {

const QString volumeKey = QStringLiteral("AppVolume");

// The one place where the host configuration is read.
QString hostSetting(const char *key, const char *fallback)
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("hosts"));
    const QString value = settings.value(QLatin1String(key)).toString().trimmed();
    return value.isEmpty() ? QLatin1String(fallback) : value;
}

} // namespace

// An installed program keeps its settings in the user's configuration folder; a build tree or a
// portable copy beside the program (where that folder can be written).
AppSettings::AppSettings(QObject *parent)
    : QT_EXT::Settings(parent, QStringLiteral("MiniVideoPlayerSV"), QStringLiteral("Quorbel"),
                       installedDataFolder(QCoreApplication::applicationDirPath()).isEmpty())
{
}

AppSettings::~AppSettings() = default;

void AppSettings::setVolume(int volume)
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, organizationName, applicationName)
        .setValue(volumeKey, volume);
}

int AppSettings::volume() const
{
    const QVariant value =
        QSettings(QSettings::IniFormat, QSettings::UserScope, organizationName, applicationName)
            .value(volumeKey);
    bool ok = false;
    const int volume = value.toInt(&ok);
    return ok ? volume : -1;
}

QString AppSettings::makerHost()
{
    return hostSetting("maker", "127.0.0.1:8310");
}

QString AppSettings::videoSiteHost()
{
    return hostSetting("video_site", "127.0.0.1:8311");
}

QString AppSettings::lyricsServiceUrl()
{
    QString url = hostSetting("lyrics_service", "http://127.0.0.1:8310/lyrics/");
    if (!url.endsWith(QLatin1Char('/')))
        url += QLatin1Char('/');
    return url;
}

QString AppSettings::lyricsWikiUrl()
{
    return hostSetting("lyrics_wiki", "http://127.0.0.1:8310/lyricswiki/");
}
