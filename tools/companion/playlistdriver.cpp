#include "playlistdriver.h"

#include "companionlink.h"
#include "ipcsocket.h"
#include "notificationprinter.h"

PlaylistDriver::PlaylistDriver(NotificationPrinter *printer, QStringList ids, bool loop,
                               QObject *parent)
    : QObject(parent), videoIds(std::move(ids)), loop(loop)
{
    connect(printer, &NotificationPrinter::notificationReceived, this,
            &PlaylistDriver::onNotification);
}

void PlaylistDriver::onNotification(uint cmd, const QString &payload)
{
    switch (PlayerNotification(cmd)) {
    case PlayerNotification::PlayerReady:
    case PlayerNotification::NextTrack:
        playNext();
        break;
    case PlayerNotification::VideoChanged:
        playedRecords.append(payload);
        break;
    case PlayerNotification::HistoryRequest: {
        const QString list =
            QStringLiteral("{\"entry\":[%1]}").arg(playedRecords.join(QLatin1Char(',')));
        QT_EXT::IPCSocket sender(nullptr, QString());
        sender.sendCommand(uint(CompanionCommand::ShowHistory), list, playerServerName);
        break;
    }
    default:
        break;
    }
}

void PlaylistDriver::playNext()
{
    if (nextIndex >= videoIds.size()) {
        if (!loop || videoIds.isEmpty()) {
            emit finished();
            return;
        }
        nextIndex = 0;
    }
    QT_EXT::IPCSocket sender(nullptr, QString());
    sender.sendCommand(uint(CompanionCommand::PlayVideo), videoIds.at(nextIndex++),
                       playerServerName);
}
