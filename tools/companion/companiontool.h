#pragma once

#include <QObject>
#include <QTextStream>

namespace QT_EXT {
class IPCSocket;
}

// Listens where the radio application listens and prints every notification of the player as
// one line: number, name, payload.
class NotificationPrinter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationPrinter)

public:
    // maxCount 0 listens without end.
    explicit NotificationPrinter(int maxCount, QObject *parent = nullptr);

    bool isListening() const;

signals:
    void finished();
    void notificationReceived(uint cmd, const QString &payload);

private:
    void print(uint cmd, const QString &payload);

    QT_EXT::IPCSocket *endpoint = nullptr;
    QTextStream out;
    int maxCount = 0;
    int received = 0;
};

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

// One command for the player: its number and payload.
struct CompanionCommandText
{
    uint number = 0;
    QString payload;
};

// Builds the command of a convenience sub-command; false with an error text when the arguments
// do not fit.
bool commandForSubcommand(const QString &name, const QStringList &args, CompanionCommandText *cmd,
                          QString *error);
