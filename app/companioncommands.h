#pragma once

#include <QObject>
#include <QString>

// Turns the companion's commands into requests of the main window, in the order the command
// carries them. It keeps no state: what a request changes belongs to the window.
class CompanionCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompanionCommands)

public:
    using QObject::QObject;

    void dispatch(uint cmd, const QString &payload);

signals:
    void signal_quit();
    void signal_recordingFolder(QString folder);
    // The id becomes the requested video; a play request follows.
    void signal_videoRequested(QString videoId);
    // Brings the window up and plays the requested video. PlayVideo loads it as it stands;
    // the JSON "Play" only when an id is requested, so one without "VideoID" plays the
    // previous request again.
    void signal_playRequested(bool evenWithoutId);
    void signal_search(QString text);
    void signal_showHistory(QString listJson);
    void signal_bookmarkState(bool bookmarked);

private:
    void dispatchJson(const QString &json);
};
