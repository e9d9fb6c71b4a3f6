#include "ipcsocket.h"

#include "localserverguard.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

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
    QLocalSocket *connection = server->nextPendingConnection();
    if (!connection)
        return;

    // The sender closes the connection after its one message: read until then, so a message
    // larger than one read arrives whole.
    QByteArray data;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        data += connection->readAll();
        if (connection->state() != QLocalSocket::ConnectedState || deadline.hasExpired())
            break;
        if (!connection->waitForReadyRead(int(deadline.remainingTime()))) {
            data += connection->readAll();
            break;
        }
    }

    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    connection->disconnectFromServer();
    if (connection->state() == QLocalSocket::UnconnectedState)
        connection->deleteLater();

    queue.append(QString::fromUtf8(data));
    QTimer::singleShot(processDelayMs, this, &IPCSocket::slot_processMessage);
}

void IPCSocket::slot_processMessage()
{
    if (queue.isEmpty())
        return;
    const QString text = queue.takeFirst();
    emit signal_messageReceived(text);

    const QStringList parts = text.split(QLatin1Char('|'), Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return;
    emit signal_commandReceived(parts.at(0).toUInt(nullptr, 10), parts.at(1));
}

} // namespace QT_EXT
