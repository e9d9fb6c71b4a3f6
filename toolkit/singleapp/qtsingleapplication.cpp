#include "qtsingleapplication.h"

#include "localserverguard.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <memory>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace QT_EXT {

namespace {

constexpr char ackByte = '\x06';
constexpr int connectRetryMs = 50;
// A message is a 32-bit length followed by that many bytes of UTF-8.
constexpr int headerSize = int(sizeof(quint32));
constexpr quint32 maxMessageSize = 1 << 20;
// Bound of a received connection: a frame not whole by then is dropped.
constexpr int readTimeoutMs = 5000;

QString userIdentity()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("USERNAME");
#else
    return QString::number(::getuid());
#endif
}

} // namespace

QtSingleApplication::QtSingleApplication(int &argc, char **argv, const QString &id)
    : QApplication(argc, argv)
{
    appId = id.isEmpty() ? applicationFilePath() : id;
    const QByteArray hash =
        QCryptographicHash::hash((appId + QLatin1Char('|') + userIdentity()).toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    serverName = QStringLiteral("qtsingleapp-") + QString::fromLatin1(hash);

    lockFile =
        std::make_unique<QLockFile>(QDir::temp().filePath(serverName + QStringLiteral(".lock")));
    // A lock left by a copy that died is taken over: QLockFile checks whether its owner lives.
    primary = lockFile->tryLock(0);
    if (primary)
        startServing();
}

QtSingleApplication::~QtSingleApplication() = default;

bool QtSingleApplication::isRunning() const
{
    return !primary;
}

QString QtSingleApplication::id() const
{
    return appId;
}

void QtSingleApplication::startServing()
{
    server = new QLocalServer(this);
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *connection = server->nextPendingConnection())
            readMessage(connection);
    });
    listenExclusively(server, serverName);
}

void QtSingleApplication::readMessage(QLocalSocket *connection)
{
    // Only this user's copies may wake the window: a connection of another user's process is
    // closed unread.
    if (!peerIsSameUser(connection, QStringLiteral("connection to %1").arg(serverName))) {
        connection->abort();
        connection->deleteLater();
        return;
    }

    // Nothing waits here: the frame is collected as it arrives, so a peer that connects and
    // sends nothing, or only part of a frame, never freezes the window. After readTimeoutMs
    // its connection is closed unanswered.
    struct Incoming
    {
        QByteArray data;
        bool finished = false;
    };
    auto incoming = std::make_shared<Incoming>();
    const auto drop = [connection, incoming] {
        if (incoming->finished)
            return;
        incoming->finished = true;
        connection->abort();
        connection->deleteLater();
    };
    const auto collect = [this, connection, incoming, drop] {
        if (incoming->finished)
            return;
        incoming->data += connection->readAll();
        if (incoming->data.size() < headerSize)
            return;
        quint32 size = 0;
        QDataStream header(incoming->data.left(headerSize));
        header >> size;
        if (size > maxMessageSize) {
            drop();
            return;
        }
        if (incoming->data.size() < headerSize + qsizetype(size))
            return;
        incoming->finished = true;
        const QString message =
            QString::fromUtf8(incoming->data.constData() + headerSize, qsizetype(size));
        connection->write(&ackByte, 1);
        // The one byte leaves at once, without waiting, even when a handler of the message ends
        // the program; the connection then closes and goes.
        connection->flush();
        connection->disconnectFromServer();
        emit messageReceived(message);
    };
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    connect(connection, &QLocalSocket::readyRead, this, collect);
    QTimer::singleShot(readTimeoutMs, connection, drop);
    collect();
}

bool QtSingleApplication::sendMessage(const QString &message, int timeout)
{
    if (!isRunning())
        return false;

    // The running copy may still be starting: keep trying until the timeout.
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(serverName);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(connectRetryMs);
    }
    // A socket that another user planted under the name (with a lock file beside it) is no
    // running copy of this user's: it hears nothing and cannot send this copy away.
    if (!peerIsSameUser(&socket, QStringLiteral("not waking %1").arg(serverName))) {
        socket.abort();
        return false;
    }

    const QByteArray payload = message.toUtf8();
    QByteArray frame;
    QDataStream out(&frame, QIODevice::WriteOnly);
    out << quint32(payload.size());
    frame += payload;
    socket.write(frame);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    char ack = 0;
    return socket.read(&ack, 1) == 1 && ack == ackByte;
}

void QtSingleApplication::setActivationWindow(QWidget *window, bool activateOnMessage)
{
    actWin = window;
    disconnect(this, &QtSingleApplication::messageReceived, this,
               &QtSingleApplication::activateWindow);
    if (activateOnMessage)
        connect(this, &QtSingleApplication::messageReceived, this,
                &QtSingleApplication::activateWindow);
}

QWidget *QtSingleApplication::activationWindow() const
{
    return actWin;
}

void QtSingleApplication::activateWindow()
{
    if (!actWin)
        return;
    actWin->setWindowState(actWin->windowState() & ~Qt::WindowMinimized);
    actWin->raise();
    actWin->activateWindow();
}

} // namespace QT_EXT
