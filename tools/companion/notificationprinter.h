#pragma once

#include <QObject>
#include <QTextStream>

class QFileSystemWatcher;

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
    void listen();
    void print(uint cmd, const QString &payload);
    // A socket file removed under the tool (a clean-up of the temporary folder, say) leaves it
    // deaf without a word: it says so and listens again.
    void socketFileChanged(const QString &path);

    QT_EXT::IPCSocket *endpoint = nullptr;
    QFileSystemWatcher *watcher = nullptr;
    QTextStream out;
    QTextStream err;
    int maxCount = 0;
    int received = 0;
};
