#include "companiontool.h"

#include "companionlink.h"
#include "ipcsocket.h"

#include <QJsonDocument>
#include <QJsonObject>

NotificationPrinter::NotificationPrinter(int maxCount, QObject *parent)
    : QObject(parent), out(stdout), maxCount(maxCount)
{
    endpoint = new QT_EXT::IPCSocket(this, companionServerName);
    connect(endpoint, &QT_EXT::IPCSocket::signal_commandReceived, this,
            &NotificationPrinter::print);
}

bool NotificationPrinter::isListening() const
{
    return endpoint->isListening();
}

void NotificationPrinter::print(uint cmd, const QString &payload)
{
    QString name = playerNotificationName(cmd);
    if (name.isEmpty())
        name = QStringLiteral("Unknown");
    out << cmd << ' ' << name;
    if (!payload.isEmpty())
        out << ' ' << payload;
    out << Qt::endl;
    emit notificationReceived(cmd, payload);
    if (maxCount > 0 && ++received >= maxCount)
        emit finished();
}

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

namespace {

QString jsonText(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

bool commandForSubcommand(const QString &name, const QStringList &args, CompanionCommandText *cmd,
                          QString *error)
{
    const auto needArgs = [&](int min, int max) {
        if (args.size() >= min && args.size() <= max)
            return true;
        *error = QStringLiteral("'%1' takes %2 argument(s)")
                     .arg(name, min == max ? QString::number(min)
                                           : QStringLiteral("%1 to %2").arg(min).arg(max));
        return false;
    };
    const QString first = args.value(0);

    if (name == QLatin1String("send")) {
        if (!needArgs(1, 2))
            return false;
        bool ok = false;
        cmd->number = first.toUInt(&ok);
        if (!ok) {
            *error = QStringLiteral("'%1' is not a command number").arg(first);
            return false;
        }
        cmd->payload = args.value(1);
        return true;
    }
    if (name == QLatin1String("play")) {
        if (!needArgs(1, 1))
            return false;
        *cmd = {uint(CompanionCommand::PlayVideo), first};
        return true;
    }
    if (name == QLatin1String("play-json")) {
        if (!needArgs(1, 2))
            return false;
        QJsonObject object{{QStringLiteral("Command"), QStringLiteral("Play")},
                           {QStringLiteral("VideoID"), first}};
        if (args.size() > 1)
            object.insert(QStringLiteral("RecordingFolder"), args.at(1));
        *cmd = {uint(CompanionCommand::JsonCommand), jsonText(object)};
        return true;
    }
    if (name == QLatin1String("search")) {
        if (!needArgs(1, 1))
            return false;
        *cmd = {uint(CompanionCommand::JsonCommand),
                jsonText({{QStringLiteral("Command"), QStringLiteral("Search")},
                          {QStringLiteral("Title"), first}})};
        return true;
    }
    if (name == QLatin1String("folder")) {
        if (!needArgs(1, 1))
            return false;
        *cmd = {uint(CompanionCommand::SetRecordingFolder), first};
        return true;
    }
    if (name == QLatin1String("history")) {
        if (!needArgs(0, 1))
            return false;
        *cmd = {uint(CompanionCommand::ShowHistory), first};
        return true;
    }
    if (name == QLatin1String("bookmark-state")) {
        if (!needArgs(1, 1))
            return false;
        *cmd = {uint(CompanionCommand::BookmarkState), first};
        return true;
    }
    if (name == QLatin1String("json")) {
        if (!needArgs(1, 1))
            return false;
        *cmd = {uint(CompanionCommand::JsonCommand), first};
        return true;
    }
    if (name == QLatin1String("ignored")) {
        if (!needArgs(1, 1))
            return false;
        *cmd = {uint(CompanionCommand::IgnoredText), first};
        return true;
    }
    if (name == QLatin1String("quit")) {
        if (!needArgs(0, 0))
            return false;
        *cmd = {uint(CompanionCommand::Quit), QString()};
        return true;
    }
    *error = QStringLiteral("unknown command '%1'").arg(name);
    return false;
}
