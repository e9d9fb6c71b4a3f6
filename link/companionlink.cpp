#include "companionlink.h"

#include "ipcsocket.h"

#include <QPointer>

namespace {

QPointer<QT_EXT::IPCSocket> companionSocket;

} // namespace

QString companionCommandName(uint cmd)
{
    switch (CompanionCommand(cmd)) {
    case CompanionCommand::Quit:
        return QStringLiteral("Quit");
    case CompanionCommand::PlayVideo:
        return QStringLiteral("PlayVideo");
    case CompanionCommand::SetRecordingFolder:
        return QStringLiteral("SetRecordingFolder");
    case CompanionCommand::IgnoredText:
        return QStringLiteral("IgnoredText");
    case CompanionCommand::ShowHistory:
        return QStringLiteral("ShowHistory");
    case CompanionCommand::JsonCommand:
        return QStringLiteral("JsonCommand");
    case CompanionCommand::BookmarkState:
        return QStringLiteral("BookmarkState");
    }
    return QString();
}

QString playerNotificationName(uint cmd)
{
    switch (PlayerNotification(cmd)) {
    case PlayerNotification::ExceptionRaised:
        return QStringLiteral("ExceptionRaised");
    case PlayerNotification::Closing:
        return QStringLiteral("Closing");
    case PlayerNotification::VideoPlaying:
        return QStringLiteral("VideoPlaying");
    case PlayerNotification::VideoPaused:
        return QStringLiteral("VideoPaused");
    case PlayerNotification::BookmarkVideo:
        return QStringLiteral("BookmarkVideo");
    case PlayerNotification::DownloadedFile:
        return QStringLiteral("DownloadedFile");
    case PlayerNotification::HistoryRequest:
        return QStringLiteral("HistoryRequest");
    case PlayerNotification::VideoChanged:
        return QStringLiteral("VideoChanged");
    case PlayerNotification::BookmarkVideoAlt:
        return QStringLiteral("BookmarkVideoAlt");
    case PlayerNotification::PlayerReady:
        return QStringLiteral("PlayerReady");
    case PlayerNotification::NextTrack:
        return QStringLiteral("NextTrack");
    case PlayerNotification::PlayerError:
        return QStringLiteral("PlayerError");
    }
    return QString();
}

void setCompanionSocket(QT_EXT::IPCSocket *socket)
{
    companionSocket = socket;
}

void notifyServer(uint cmd, const QString &text)
{
    if (companionSocket)
        companionSocket->sendCommand(cmd, text, companionServerName);
}

void notifyServer(PlayerNotification cmd, const QString &text)
{
    notifyServer(uint(cmd), text);
}

QString linkSafeJson(const QString &json)
{
    QString safe = json;
    return safe.replace(QLatin1Char('|'), QLatin1String("\\u007c"));
}

void notifyServerJson(PlayerNotification cmd, const QString &json)
{
    notifyServer(cmd, linkSafeJson(json));
}
