#include "subcommands.h"

#include "companionlink.h"

#include <QJsonDocument>
#include <QJsonObject>

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
