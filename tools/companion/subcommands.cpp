#include "subcommands.h"

#include "companionlink.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The player drops a message that holds a second "|", so a "|" inside a JSON string travels as
// the escape \u007c, which JSON readers read as the same character.
QString jsonText(const QJsonObject &object)
{
    return linkSafeJson(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

// A plain payload cannot carry a "|": the player would drop the message without a word.
bool checkPlain(const QString &name, const QString &text, QString *error)
{
    if (!text.contains(QLatin1Char('|')))
        return true;
    *error = QStringLiteral("'%1' cannot send a text with '|': the player drops such a message")
                 .arg(name);
    return false;
}

// The player reads JSON payloads without reporting errors, so broken text is refused here.
bool checkJson(const QString &name, const QString &text, QString *error)
{
    QJsonParseError parseError;
    QJsonDocument::fromJson(text.toUtf8(), &parseError);
    if (parseError.error == QJsonParseError::NoError)
        return true;
    *error = QStringLiteral("'%1' needs valid JSON: %2 at offset %3")
                 .arg(name, parseError.errorString())
                 .arg(parseError.offset);
    return false;
}

// QString::toUInt also takes a sign and surrounding blanks; a command number is plain digits.
bool isDecimal(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
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
        if (!ok || !isDecimal(first)) {
            *error = QStringLiteral("'%1' is not a command number").arg(first);
            return false;
        }
        cmd->payload = args.value(1);
        return true;
    }
    if (name == QLatin1String("play")) {
        if (!needArgs(1, 1) || !checkPlain(name, first, error))
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
        if (!needArgs(1, 1) || !checkPlain(name, first, error))
            return false;
        *cmd = {uint(CompanionCommand::SetRecordingFolder), first};
        return true;
    }
    if (name == QLatin1String("history")) {
        if (!needArgs(0, 1))
            return false;
        // An empty payload asks for the player's own history, with or without the argument.
        if (!first.isEmpty() && !checkJson(name, first, error))
            return false;
        *cmd = {uint(CompanionCommand::ShowHistory), linkSafeJson(first)};
        return true;
    }
    if (name == QLatin1String("bookmark-state")) {
        if (!needArgs(1, 1) || !checkPlain(name, first, error))
            return false;
        *cmd = {uint(CompanionCommand::BookmarkState), first};
        return true;
    }
    if (name == QLatin1String("json")) {
        if (!needArgs(1, 1) || !checkJson(name, first, error))
            return false;
        *cmd = {uint(CompanionCommand::JsonCommand), linkSafeJson(first)};
        return true;
    }
    if (name == QLatin1String("ignored")) {
        if (!needArgs(1, 1) || !checkPlain(name, first, error))
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
