#pragma once

#include <QString>

namespace QT_EXT {
class IPCSocket;
}

// The local server names of the two ends of the companion link.
inline const QString playerServerName = QStringLiteral("MiniVideoPlayerSV");
inline const QString companionServerName = QStringLiteral("Sonvara");

// Commands that the companion sends to the player.
enum class CompanionCommand : uint
{
    Quit = 2,
    PlayVideo = 3,
    SetRecordingFolder = 7,
    IgnoredText = 11,
    ShowHistory = 13,
    JsonCommand = 20,
    BookmarkState = 25,
};

// Notifications that the player sends to the companion.
enum class PlayerNotification : uint
{
    ExceptionRaised = 1,
    Closing = 2,
    VideoPlaying = 3,
    VideoPaused = 4,
    BookmarkVideo = 9,
    DownloadedFile = 12,
    HistoryRequest = 13,
    VideoChanged = 14,
    BookmarkVideoAlt = 22,
    PlayerReady = 23,
    NextTrack = 24,
    PlayerError = 26,
};

// The name of a command or notification number, empty for a number outside its table.
QString companionCommandName(uint cmd);
QString playerNotificationName(uint cmd);

// The process-wide endpoint through which notifyServer talks to the companion.
void setCompanionSocket(QT_EXT::IPCSocket *socket);

// Sends one notification to the companion. A companion that is not there loses it.
void notifyServer(uint cmd, const QString &text);
void notifyServer(PlayerNotification cmd, const QString &text);
