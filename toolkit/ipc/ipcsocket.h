#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace QT_EXT {

// One end of a link between two programs over local sockets. Each message travels over a
// connection of its own as the UTF-8 text "<number>|<payload>", without reply.
// Same user only (see peerIsSameUser): a connection from another user's process is closed
// unread, and nothing is sent to a socket that another user's process listens on.
class IPCSocket : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IPCSocket)

public:
    // Bound of the link's waits: a send blocks at most this long for its connection and for its
    // write; a received connection is read, without blocking, at most this long.
    static constexpr int timeoutMs = 2000;
    // Delay between receiving a message and handling it.
    static constexpr int processDelayMs = 100;

    // Listens on serverName at once; an empty name makes an endpoint that only sends.
    IPCSocket(QObject *parent, const QString &serverName);
    ~IPCSocket() override;

    bool sendCommand(uint cmd, const QString &text, const QString &serverName);
    bool sendMessage(const QString &message, const QString &serverName, int timeout);

    bool isListening() const;
    // Where the listening server lives (on Unix its socket file); empty when not listening.
    QString serverPath() const;

    // Splits a received message "<number>|<payload>" into its command and payload. False, with
    // both left alone, unless the text holds exactly one "|"; a number that does not read as a
    // decimal gives command 0.
    static bool splitMessage(const QString &message, uint &cmd, QString &payload);

signals:
    void signal_messageReceived(QString mess);
    void signal_commandReceived(uint cmd, QString mess);

private slots:
    void slot_IPC_NewConnection();
    void slot_processMessage();

private:
    void receive(QLocalSocket *connection);
    void enqueue(const QByteArray &bytes);

    struct Received
    {
        QString text;
        bool validUtf8 = true;
    };

    QLocalServer *server = nullptr;
    QList<Received> queue; // oldest first
};

} // namespace QT_EXT
