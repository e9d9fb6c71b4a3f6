#include "ipcsocket.h"

#include "localserverguard.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringDecoder>
#include <QTimer>

#include <memory>

namespace QT_EXT {

IPCSocket::IPCSocket(QObject *parent, const QString &serverName) : QObject(parent)
{
    server = new QLocalServer(this);
    connect(server, &QLocalServer::newConnection, this, &IPCSocket::slot_IPC_NewConnection);
    if (!serverName.isEmpty())
        listenExclusively(server, serverName);
}

IPCSocket::~IPCSocket() = default;

bool IPCSocket::isListening() const
{
    return server->isListening();
}

QString IPCSocket::serverPath() const
{
    return server->isListening() ? server->fullServerName() : QString();
}

bool IPCSocket::sendCommand(uint cmd, const QString &text, const QString &serverName)
{
    return sendMessage(QStringLiteral("%1|%2").arg(cmd).arg(text), serverName, timeoutMs);
}

bool IPCSocket::sendMessage(const QString &message, const QString &serverName, int timeout)
{
    QLocalSocket socket;
    bool connected = false;
    for (int attempt = 0; attempt < 2 && !connected; ++attempt) {
        socket.connectToServer(serverName, QIODevice::ReadWrite);
        connected = socket.waitForConnected(timeout);
    }
    if (!connected)
        return false;
    // A socket that another user planted under the name in the shared temporary folder hears
    // nothing: titles and addresses are for this user's own programs only.
    if (!peerIsSameUser(&socket, QStringLiteral("not sending to %1").arg(serverName))) {
        socket.abort();
        return false;
    }

    socket.write(message.toUtf8());
    // A large message leaves the buffer in several pieces; the connection must not close
    // before the last one, or the receiver gets a cut text.
    const QDeadlineTimer deadline(timeout);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    socket.disconnectFromServer();
    return true;
}

void IPCSocket::slot_IPC_NewConnection()
{
    while (QLocalSocket *connection = server->nextPendingConnection()) {
        // Only this user's programs drive the link: a connection of another user's process is
        // closed unread.
        if (!peerIsSameUser(connection,
                            QStringLiteral("connection to %1").arg(server->serverName()))) {
            connection->abort();
            connection->deleteLater();
            continue;
        }
        receive(connection);
    }
}

void IPCSocket::receive(QLocalSocket *connection)
{
    // The sender closes the connection after its one message: collect until then, so a message
    // larger than one read arrives whole. Nothing waits here: a peer that holds its connection
    // open delays no other message and never freezes the window; after timeoutMs what arrived
    // counts as its message.
    struct Incoming
    {
        QByteArray data;
        bool complete = false;
    };
    auto incoming = std::make_shared<Incoming>();
    const auto finish = [this, connection, incoming]() {
        if (incoming->complete)
            return;
        incoming->complete = true;
        incoming->data += connection->readAll();
        connection->abort();
        connection->deleteLater();
        enqueue(incoming->data);
    };
    connect(connection, &QLocalSocket::readyRead, this,
            [connection, incoming]() { incoming->data += connection->readAll(); });
    connect(connection, &QLocalSocket::disconnected, this, finish);
    QTimer::singleShot(timeoutMs, connection, finish);

    incoming->data += connection->readAll();
    if (connection->state() != QLocalSocket::ConnectedState)
        finish();
}

void IPCSocket::enqueue(const QByteArray &bytes)
{
    // A message is UTF-8 text; bytes that are not (a broken or cut sequence) are still reported
    // as received, with replacement characters, but never taken for a command.
    // Each message is decoded whole: a sequence cut at its end is an error, not a remainder
    // kept for more bytes that will never come.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString message = decoder.decode(bytes);
    const bool valid = !decoder.hasError();
    // Messages are handled in the order they became complete.
    queue.append({message, valid});
    QTimer::singleShot(processDelayMs, this, &IPCSocket::slot_processMessage);
}

void IPCSocket::slot_processMessage()
{
    if (queue.isEmpty())
        return;
    const Received received = queue.takeFirst();
    const QString &text = received.text;
    emit signal_messageReceived(text);
    if (!received.validUtf8)
        return;

    uint cmd = 0;
    QString payload;
    if (splitMessage(text, cmd, payload))
        emit signal_commandReceived(cmd, payload);
}

bool IPCSocket::splitMessage(const QString &message, uint &cmd, QString &payload)
{
    const QStringList parts = message.split(QLatin1Char('|'), Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return false;
    cmd = parts.at(0).toUInt(nullptr, 10);
    payload = parts.at(1);
    return true;
}

} // namespace QT_EXT
