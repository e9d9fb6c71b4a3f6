#include "companioncommands.h"

#include "companionlink.h"
#include "json.h"

#include <QVariantMap>

void CompanionCommands::dispatch(uint cmd, const QString &payload)
{
    switch (CompanionCommand(cmd)) {
    case CompanionCommand::Quit:
        emit signal_quit();
        break;
    case CompanionCommand::PlayVideo:
        emit signal_videoRequested(payload);
        emit signal_playRequested(true);
        break;
    case CompanionCommand::SetRecordingFolder:
        emit signal_recordingFolder(payload);
        break;
    case CompanionCommand::IgnoredText:
        break;
    case CompanionCommand::ShowHistory:
        emit signal_showHistory(payload);
        break;
    case CompanionCommand::JsonCommand:
        dispatchJson(payload);
        break;
    case CompanionCommand::BookmarkState:
        emit signal_bookmarkState(payload == QLatin1String("yes"));
        break;
    }
}

void CompanionCommands::dispatchJson(const QString &json)
{
    // QVariantMap visits its keys in ascending order, which sets the folder before the video.
    const QVariantMap command = QT_EXT::parseJson(json).toMap();
    const QString name = command.value(QStringLiteral("Command")).toString();
    if (name == QLatin1String("Play")) {
        for (auto it = command.cbegin(); it != command.cend(); ++it) {
            if (it.key() == QLatin1String("RecordingFolder"))
                emit signal_recordingFolder(it.value().toString());
            else if (it.key() == QLatin1String("VideoID"))
                emit signal_videoRequested(it.value().toString());
        }
        emit signal_playRequested(false);
    } else if (name == QLatin1String("Search")) {
        const auto title = command.constFind(QStringLiteral("Title"));
        if (title != command.cend())
            emit signal_search(title->toString());
    }
}
