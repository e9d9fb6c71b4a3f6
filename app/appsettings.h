#pragma once

#include "settings.h"

#include <QString>

// The application's settings: the INI file Quorbel/MiniVideoPlayerSV.ini beside the program,
// or, for an installed program or one whose folder cannot be written, in the user's
// configuration folder (~/.config/Quorbel/MiniVideoPlayerSV.ini).
// Its constructor sets the names and the path that every default-constructed QSettings of the
// program relies on, so it runs before any other part reads a setting.
class AppSettings : public QT_EXT::Settings
{
public:
    explicit AppSettings(QObject *parent = nullptr);
    ~AppSettings() override;

    // The player volume under "AppVolume"; -1 when none is stored.
    void setVolume(int volume);
    int volume() const;

    // Hosts of the services the program talks to, from the group "hosts"; each falls back to the
    // bundled site-server on 127.0.0.1 when missing or empty.
    // host[:port] of the maker's web server (player page, list page, conversion page).
    static QString makerHost();
    // host[:port] of the video site (watch pages, streams, player script).
    static QString videoSiteHost();
    // Base address of the lyrics service, always ending in "/".
    static QString lyricsServiceUrl();
    // Home address of the lyrics wiki.
    static QString lyricsWikiUrl();
};
