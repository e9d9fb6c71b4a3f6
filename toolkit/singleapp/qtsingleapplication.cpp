#include "qtsingleapplication.h"

#include "localserverguard.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QWidget>

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
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    const QDeadlineTimer deadline(5000);
    while (connection->bytesAvailable() < headerSize && !deadline.hasExpired()) {
        if (!connection->waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    if (connection->bytesAvailable() < headerSize) {
        connection->abort();
        return;
    }
    QDataStream in(connection);
    quint32 size = 0;
    in >> size;
    if (size > maxMessageSize) {
        connection->abort();
        return;
    }
    while (connection->bytesAvailable() < qint64(size) && !deadline.hasExpired()) {
        if (!connection->waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    if (connection->bytesAvailable() < qint64(size)) {
        connection->abort();
        return;
    }
    const QString message = QString::fromUtf8(connection->read(size));
    connection->write(&ackByte, 1);
    connection->waitForBytesWritten(int(deadline.remainingTime()));
    connection->disconnectFromServer();

    emit messageReceived(message);
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
