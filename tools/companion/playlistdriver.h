#pragma once

#include <QObject>
#include <QStringList>

class NotificationPrinter;

// Plays a list of videos the way the radio application would: the first once the player is
// ready, the next one whenever the player asks for the next track; answers a history request
// with the videos played so far. Finishes after the last video ended, or loops.
class PlaylistDriver : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlaylistDriver)

public:
    PlaylistDriver(NotificationPrinter *printer, QStringList videoIds, bool loop,
                   QObject *parent = nullptr);

signals:
    void finished();

private:
    void onNotification(uint cmd, const QString &payload);
    void playNext();

    QStringList videoIds;
    bool loop = false;
    int nextIndex = 0;
    QStringList playedRecords;
};
