#include "ipcsocket.h"
#include "otheruser.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QUuid>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using QT_EXT::IPCSocket;

namespace {

QString uniqueName()
{
    return QStringLiteral("tst_ipcsocket-") + QUuid::createUuid().toString(QUuid::Id128);
}

// Writes raw bytes over one connection, as a peer that does not use IPCSocket would.
bool sendRaw(const QString &server, const QByteArray &bytes)
{
    QLocalSocket socket;
    socket.connectToServer(server);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(bytes);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(2000))
            return false;
    }
    socket.disconnectFromServer();
    return true;
}

// Sends from a thread of its own, so that the receiver in the test's thread can read while the
// sender waits for its bytes to leave.
class ThreadedSender : public QThread
{
public:
    ThreadedSender(QString server, QString message)
        : server(std::move(server)), message(std::move(message))
    {
    }
    bool result = false;

protected:
    void run() override
    {
        IPCSocket sender(nullptr, QString());
        result = sender.sendMessage(message, server, IPCSocket::timeoutMs);
    }

private:
    QString server;
    QString message;
};

} // namespace

class tst_IPCSocket : public QObject
{
    Q_OBJECT

private slots:
    void processing_data();
    void processing();
    void sendCommandFormat();
    void messagesHandledInArrivalOrderEachAfterItsDelay();
    void largeMessageArrivesWhole();
    void heldConnectionDelaysNobody();
    void silentConnectionEndsAtTheBound();
    void sendWithoutReceiverFails();
    void staleSocketFileIsTakenOver();
    void liveServerIsNotTakenOver();
    void onlyTheSameUserMayConnect();
    void connectionOfAnotherUserIsRefused();
    void noMessageToASocketOfAnotherUser();
    void cleanupTestCase();

private:
    OtherUser otherUser;
};

void tst_IPCSocket::processing_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<uint>("cmd");
    QTest::addColumn<QString>("payload");

    QTest::newRow("command and payload") << QByteArray("3|abc") << true << 3u << "abc";
    QTest::newRow("empty payload") << QByteArray("7|") << true << 7u << "";
    QTest::newRow("utf-8 payload") << QByteArray("3|K\xc3\xa4the \xe2\x99\xab") << true << 3u
                                   << QStringLiteral("K\u00e4the \u266b");
    QTest::newRow("number not a number") << QByteArray("x|abc") << true << 0u << "abc";
    QTest::newRow("no bar") << QByteArray("3abc") << false << 0u << "";
    QTest::newRow("two bars") << QByteArray("3|a|b") << false << 0u << "";
    QTest::newRow("empty message") << QByteArray() << false << 0u << "";
    // Not UTF-8: reported as received, with replacement characters, but never a command.
    QTest::newRow("invalid byte") << QByteArray("3|ab\xff") << false << 0u << "";
    QTest::newRow("overlong encoding") << QByteArray("3|\xc0\xaf") << false << 0u << "";
    QTest::newRow("sequence cut at the end") << QByteArray("3|K\xc3") << false << 0u << "";
}

void tst_IPCSocket::processing()
{
    QFETCH(QByteArray, raw);
    QFETCH(bool, valid);
    QFETCH(uint, cmd);
    QFETCH(QString, payload);

    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QVERIFY(receiver.isListening());
    QSignalSpy messages(&receiver, &IPCSocket::signal_messageReceived);
    QSignalSpy commands(&receiver, &IPCSocket::signal_commandReceived);

    QVERIFY(sendRaw(name, raw));
    QTRY_COMPARE(messages.count(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), QString::fromUtf8(raw));
    // Messages are handled in order, so once a valid message sent afterwards is through, a
    // dropped one can emit nothing more.
    QVERIFY(sendRaw(name, "11|sentinel"));
    QTRY_COMPARE(messages.count(), 2);
    QCOMPARE(commands.count(), valid ? 2 : 1);
    QCOMPARE(commands.last().at(1).toString(), QStringLiteral("sentinel"));
    if (valid) {
        QCOMPARE(commands.at(0).at(0).toUInt(), cmd);
        QCOMPARE(commands.at(0).at(1).toString(), payload);
    }
}

void tst_IPCSocket::sendCommandFormat()
{
    const QString name = uniqueName();
    QLocalServer server;
    QVERIFY(server.listen(name));

    // sendCommand and sendMessage agree: the text is "<number>|<payload>" in UTF-8.
    IPCSocket endpoint(nullptr, QString());
    QByteArray received;
    connect(&server, &QLocalServer::newConnection, this, [&] {
        QLocalSocket *connection = server.nextPendingConnection();
        connect(connection, &QLocalSocket::readyRead, this,
                [&received, connection] { received += connection->readAll(); });
    });
    QVERIFY(endpoint.sendCommand(14, QStringLiteral("{\"id\":\"\u00e9\"}"), name));
    QTRY_COMPARE(received, QByteArray("14|{\"id\":\"\xc3\xa9\"}"));
}

void tst_IPCSocket::messagesHandledInArrivalOrderEachAfterItsDelay()
{
    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QSignalSpy commands(&receiver, &IPCSocket::signal_commandReceived);

    IPCSocket sender(nullptr, QString());
    QVERIFY(sender.sendCommand(3, QStringLiteral("first"), name));
    QVERIFY(sender.sendCommand(7, QStringLiteral("second"), name));
    // Both connections are read; neither is handled before its delay has passed.
    QTest::qWait(IPCSocket::processDelayMs / 4);
    QCOMPARE(commands.count(), 0);

    QTRY_COMPARE(commands.count(), 2);
    QCOMPARE(commands.at(0).at(1).toString(), QStringLiteral("first"));
    QCOMPARE(commands.at(1).at(1).toString(), QStringLiteral("second"));
}

void tst_IPCSocket::largeMessageArrivesWhole()
{
    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QSignalSpy commands(&receiver, &IPCSocket::signal_commandReceived);

    QString payload;
    payload.reserve(1 << 20);
    while (payload.size() < (1 << 20))
        payload += QStringLiteral("0123456789abcdef");
    ThreadedSender sender(name, QStringLiteral("13|") + payload);
    sender.start();
    QTRY_COMPARE_WITH_TIMEOUT(commands.count(), 1, 10000);
    QVERIFY(sender.wait(5000));
    QVERIFY(sender.result);
    QCOMPARE(commands.at(0).at(0).toUInt(), 13u);
    QCOMPARE(commands.at(0).at(1).toString().size(), payload.size());
    QCOMPARE(commands.at(0).at(1).toString(), payload);
}

void tst_IPCSocket::heldConnectionDelaysNobody()
{
    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QSignalSpy commands(&receiver, &IPCSocket::signal_commandReceived);

    // A peer connects and holds its connection open without a word...
    QLocalSocket holder;
    holder.connectToServer(name);
    QVERIFY(holder.waitForConnected(2000));
    // ...while another delivers a whole message: it is handled at once, not after the bound.
    QVERIFY(sendRaw(name, "3|second"));
    QTRY_COMPARE_WITH_TIMEOUT(commands.count(), 1, IPCSocket::timeoutMs / 2);
    QCOMPARE(commands.at(0).at(1).toString(), QStringLiteral("second"));

    // The held connection still delivers its message once its sender closes it.
    QCOMPARE(holder.state(), QLocalSocket::ConnectedState);
    holder.write("3|first");
    QVERIFY(holder.waitForBytesWritten(2000));
    holder.disconnectFromServer();
    QTRY_COMPARE(commands.count(), 2);
    QCOMPARE(commands.at(1).at(1).toString(), QStringLiteral("first"));
}

void tst_IPCSocket::silentConnectionEndsAtTheBound()
{
    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QSignalSpy messages(&receiver, &IPCSocket::signal_messageReceived);

    // A peer that writes part of a message and never closes: what arrived counts as its
    // message once the bound has passed, and the connection is closed from this side.
    QLocalSocket holder;
    holder.connectToServer(name);
    QVERIFY(holder.waitForConnected(2000));
    holder.write("3|partial");
    QVERIFY(holder.waitForBytesWritten(2000));
    QSignalSpy closed(&holder, &QLocalSocket::disconnected);
    QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, 4 * IPCSocket::timeoutMs);
    QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("3|partial"));
    QTRY_COMPARE(closed.count(), 1);
}

void tst_IPCSocket::sendWithoutReceiverFails()
{
    IPCSocket sender(nullptr, QString());
    QVERIFY(!sender.sendCommand(3, QStringLiteral("abc"), uniqueName()));
}

void tst_IPCSocket::staleSocketFileIsTakenOver()
{
    // A copy that crashed leaves its socket file: bound once, never removed, nobody behind it.
    const QString name = uniqueName();
    const QString path = QDir::temp().filePath(name);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    QVERIFY(size_t(encoded.size()) < sizeof(address.sun_path));
    memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    ::close(fd);
    QVERIFY(QFileInfo::exists(path));

    IPCSocket receiver(nullptr, name);
    QVERIFY(receiver.isListening());
    QSignalSpy commands(&receiver, &IPCSocket::signal_commandReceived);
    IPCSocket sender(nullptr, QString());
    QVERIFY(sender.sendCommand(3, QStringLiteral("abc"), name));
    QTRY_COMPARE(commands.count(), 1);
}

void tst_IPCSocket::liveServerIsNotTakenOver()
{
    const QString name = uniqueName();
    IPCSocket owner(nullptr, name);
    QVERIFY(owner.isListening());
    QSignalSpy commands(&owner, &IPCSocket::signal_commandReceived);

    IPCSocket intruder(nullptr, name);
    QVERIFY(!intruder.isListening());

    IPCSocket sender(nullptr, QString());
    QVERIFY(sender.sendCommand(11, QStringLiteral("still mine"), name));
    QTRY_COMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(1).toString(), QStringLiteral("still mine"));
}

void tst_IPCSocket::onlyTheSameUserMayConnect()
{
    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QVERIFY(receiver.isListening());
    const QFileInfo socketFile(QDir::temp().filePath(name));
    QVERIFY(socketFile.exists());
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(socketFile.permissions() & others, QFile::Permissions());
}

void tst_IPCSocket::connectionOfAnotherUserIsRefused()
{
    const QString unavailable = OtherUser::unavailable();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    QString error;
    QVERIFY2(otherUser.setUp(&error), qPrintable(error));

    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QVERIFY(receiver.isListening());
    QSignalSpy messages(&receiver, &IPCSocket::signal_messageReceived);
    const CategoryLog log("mvp.link");

    // A process of another user reaches the socket where the link really has it and sends a
    // command as the companion would.
    QProcess peer;
    otherUser.start(peer, {QStringLiteral("send"), QDir::temp().filePath(name),
                           QString::fromLatin1(QByteArray("2|").toHex())});
    QTRY_COMPARE_WITH_TIMEOUT(peer.state(), QProcess::NotRunning, 10000);
    const QString said = QString::fromLocal8Bit(peer.readAllStandardOutput());
    QVERIFY2(said.contains(QStringLiteral("connected\n")), qPrintable(said));

    // Refused, and said so under the link's category with the peer's user id.
    QTRY_VERIFY2(log.contains(QStringLiteral("user id %1").arg(otherUser.uid())),
                 qPrintable(log.lines().join(QLatin1Char('\n'))));
    QVERIFY(log.contains(name));
    // Nothing of it is handled: a message of this user sent afterwards is the first one heard.
    QVERIFY(sendRaw(name, "11|sentinel"));
    QTRY_COMPARE(messages.count(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("11|sentinel"));
    QTest::qWait(IPCSocket::processDelayMs * 2);
    QCOMPARE(messages.count(), 1);
}

void tst_IPCSocket::noMessageToASocketOfAnotherUser()
{
    const QString unavailable = OtherUser::unavailable();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    QString error;
    QVERIFY2(otherUser.setUp(&error), qPrintable(error));

    // Another user plants a socket that anyone may connect to under the name, where the link
    // really looks for it.
    const QString name = uniqueName();
    const QString path = QDir::temp().filePath(name);
    PlantedSocket planted(otherUser, path);
    QVERIFY2(planted.waitListening(&error), qPrintable(error));
    QCOMPARE(QFileInfo(path).ownerId(), otherUser.uid());

    const CategoryLog log("mvp.link");
    IPCSocket sender(nullptr, QString());
    QVERIFY(!sender.sendCommand(14, QStringLiteral("{\"title\":\"Song\"}"), name));
    QVERIFY2(log.contains(QStringLiteral("user id %1").arg(otherUser.uid())),
             qPrintable(log.lines().join(QLatin1Char('\n'))));
    QVERIFY(log.contains(name));

    // The planted socket was reached, and heard nothing.
    QVERIFY2(planted.reachedButHeardNothing(&error), qPrintable(error));
}

void tst_IPCSocket::cleanupTestCase()
{
    otherUser.tearDown();
}

QTEST_GUILESS_MAIN(tst_IPCSocket)
#include "tst_ipcsocket.moc"
