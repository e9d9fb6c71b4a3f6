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

// The two private codes that the player page raises on its signal_NotifyServer beside the
// companion's VideoPlaying and VideoPaused. The main window turns them into reactions of its own;
// they never reach the companion as they stand.
enum class PageNotice : uint
{
    // The page finished loading, or reported a state without a notification: Play is usable.
    PageLoaded = 0,
    // The video ended: the companion hears VideoPaused now and NextTrack a little later.
    VideoEnded = 8,
};

// The name of a command or notification number, empty for a number outside its table.
QString companionCommandName(uint cmd);
QString playerNotificationName(uint cmd);

// The process-wide endpoint through which notifyServer talks to the companion.
void setCompanionSocket(QT_EXT::IPCSocket *socket);

// Sends one notification to the companion. A companion that is not there loses it.
void notifyServer(uint cmd, const QString &text);
void notifyServer(PlayerNotification cmd, const QString &text);

// A JSON text fit to travel on the link: the companion drops any message that holds a second
// "|", so every "|" (which valid JSON can only hold inside a string) is written as the JSON
// escape \u007c. JSON readers read the same value.
QString linkSafeJson(const QString &json);
// notifyServer with a JSON payload made link-safe.
void notifyServerJson(PlayerNotification cmd, const QString &json);
