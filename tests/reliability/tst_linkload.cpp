// The companion link under load, at the endpoint: a flood of messages each on its own
// connection, peers that connect and say nothing, a large payload, and messages that are no
// command at all.

#include "ipcsocket.h"
#include "rawmessage.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QUuid>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

using QT_EXT::IPCSocket;

namespace {

QString uniqueName()
{
    return QStringLiteral("tst_linkload-") + QUuid::createUuid().toString(QUuid::Id128);
}

// A peer in a thread of its own, so that the receiver in the test's thread keeps reading while
// the peer blocks in its sends.
class Peer : public QThread
{
public:
    explicit Peer(std::function<void()> work) : work(std::move(work)) {}

protected:
    void run() override { work(); }

private:
    std::function<void()> work;
};

// Runs the event loop until done() holds, at most timeoutMs. Unlike QTest::qWaitFor, which
// sleeps between its rounds of events, the loop turns as freely as the program's own does.
bool spinUntil(const std::function<bool()> &done, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(1);
    loop.exec();
    return done();
}

} // namespace

class tst_LinkLoad : public QObject
{
    Q_OBJECT

private slots:
    void thousandMessagesInArrivalOrder();
    void silentPeersDelayNoCommand();
    void megabyteOfMultibyteTextArrivesWhole();
    void invalidMessagesAreDropped_data();
    void invalidMessagesAreDropped();
};

void tst_LinkLoad::thousandMessagesInArrivalOrder()
{
    constexpr int count = 1000;
    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QVERIFY(receiver.isListening());
    QStringList handled;
    connect(&receiver, &IPCSocket::signal_commandReceived, this,
            [&handled](uint cmd, const QString &payload) {
                handled << QStringLiteral("%1|%2").arg(cmd).arg(payload);
            });

    // As fast as the peer can: one connection per message, no pause between them.
    std::atomic<int> sent{0};
    std::atomic<int> refused{0};
    QElapsedTimer clock;
    clock.start();
    Peer peer([&] {
        IPCSocket sender(nullptr, QString());
        for (int i = 0; i < count; ++i) {
            if (sender.sendCommand(11, QStringLiteral("message %1").arg(i, 4, 10, QLatin1Char('0')),
                                   name))
                ++sent;
            else
                ++refused;
        }
    });
    peer.start();
    QVERIFY(spinUntil([&] { return peer.isFinished(); }, 60000));
    const qint64 sendMs = clock.elapsed();
    spinUntil([&] { return handled.size() >= count; }, 20000);
    const qint64 handledMs = clock.elapsed();
    QTest::qWait(2 * IPCSocket::processDelayMs);

    QStringList expected;
    for (int i = 0; i < count; ++i)
        expected << QStringLiteral("11|message %1").arg(i, 4, 10, QLatin1Char('0'));
    int firstOutOfOrder = -1;
    for (int i = 0; i < qMin(handled.size(), count) && firstOutOfOrder < 0; ++i) {
        if (handled.at(i) != expected.at(i))
            firstOutOfOrder = i;
    }
    const int distinct = QSet<QString>(handled.cbegin(), handled.cend()).size();
    qInfo().noquote() << QStringLiteral(
                             "link load: sent %1 of %2 (refused %3) in %4 ms; handled %5, "
                             "distinct %6, in arrival order: %7, all handled after %8 ms")
                             .arg(sent.load())
                             .arg(count)
                             .arg(refused.load())
                             .arg(sendMs)
                             .arg(handled.size())
                             .arg(distinct)
                             .arg(firstOutOfOrder < 0
                                      ? QStringLiteral("yes")
                                      : QStringLiteral("no, first at %1").arg(firstOutOfOrder))
                             .arg(handledMs);
    QCOMPARE(refused.load(), 0);
    QCOMPARE(sent.load(), count);
    QCOMPARE(handled, expected);
}

void tst_LinkLoad::silentPeersDelayNoCommand()
{
    constexpr int silentPeers = 50;
    constexpr int commands = 30;
    constexpr int spacingMs = 100;
    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QVERIFY(receiver.isListening());

    QElapsedTimer clock;
    clock.start();
    // Delay of each command: from just before its send to its handling, less the fixed delay
    // that every message waits before it is handled.
    std::vector<std::atomic<qint64>> sentAt(commands);
    QVector<qint64> delays(commands, -1);
    connect(&receiver, &IPCSocket::signal_commandReceived, this, [&](uint, const QString &payload) {
        const int index = payload.toInt();
        delays[index] = clock.elapsed() - sentAt[size_t(index)] - IPCSocket::processDelayMs;
    });
    const auto measure = [&](const char *what) {
        delays.fill(-1);
        Peer peer([&] {
            IPCSocket sender(nullptr, QString());
            for (int i = 0; i < commands; ++i) {
                sentAt[size_t(i)] = clock.elapsed();
                sender.sendCommand(3, QString::number(i), name);
                QThread::msleep(spacingMs);
            }
        });
        peer.start();
        const bool done =
            spinUntil([&] { return peer.isFinished() && !delays.contains(-1); }, 30000);
        const qint64 worst = *std::max_element(delays.cbegin(), delays.cend());
        QStringList each;
        for (const qint64 d : qAsConst(delays))
            each << QString::number(d);
        qInfo().noquote() << QStringLiteral("link load: %1: %2 commands, worst delay %3 ms (%4)")
                                 .arg(QLatin1String(what))
                                 .arg(commands - delays.count(-1))
                                 .arg(worst)
                                 .arg(each.join(QLatin1Char(' ')));
        return done ? worst : qint64(-1);
    };

    const qint64 alone = measure("no silent peer");
    QVERIFY(alone >= 0);

    // Fifty peers connect and say nothing; the commands go out while all of them are held and
    // on past the moment the receiver gives up on them.
    // They live in a thread of their own, as other programs would, until the test ends.
    QSignalSpy messages(&receiver, &IPCSocket::signal_messageReceived);
    std::atomic<int> connected{0};
    std::atomic<int> closedByReceiver{0};
    std::atomic<bool> release{false};
    Peer holders([&] {
        std::vector<std::unique_ptr<QLocalSocket>> silent;
        for (int i = 0; i < silentPeers; ++i) {
            silent.push_back(std::make_unique<QLocalSocket>());
            silent.back()->connectToServer(name);
            if (silent.back()->waitForConnected(IPCSocket::timeoutMs))
                ++connected;
        }
        while (!release) {
            for (const auto &socket : silent) {
                if (socket->state() == QLocalSocket::ConnectedState)
                    socket->waitForDisconnected(1);
            }
            QThread::msleep(10);
        }
        for (const auto &socket : silent)
            closedByReceiver += socket->state() == QLocalSocket::UnconnectedState ? 1 : 0;
    });
    holders.start();
    QVERIFY(spinUntil([&] { return connected == silentPeers; }, 10000));
    const qint64 withSilent = measure("50 silent peers");
    QVERIFY(withSilent >= 0);
    // The silent connections ended as empty messages, which were no commands.
    QTRY_COMPARE_WITH_TIMEOUT(messages.count(), commands + silentPeers, 2 * IPCSocket::timeoutMs);
    int empty = 0;
    for (const QList<QVariant> &args : qAsConst(messages))
        empty += args.at(0).toString().isEmpty() ? 1 : 0;
    QCOMPARE(empty, silentPeers);
    release = true;
    QVERIFY(holders.wait(5000));
    QCOMPARE(closedByReceiver.load(), silentPeers);

    // A receiver that waited on a silent peer would hold every command behind it for a whole
    // read timeout at least; one that reads without waiting delays none of them by as much.
    QVERIFY2(withSilent < IPCSocket::timeoutMs, qPrintable(QString::number(withSilent)));
}

void tst_LinkLoad::megabyteOfMultibyteTextArrivesWhole()
{
    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QSignalSpy commands(&receiver, &IPCSocket::signal_commandReceived);

    // Characters of one to four bytes, so reads end in the middle of a character.
    const QString unit = QStringLiteral("a\u00e9\u266b\U0001F3B5-");
    QString payload;
    while (payload.toUtf8().size() < (1 << 20))
        payload += unit.repeated(4096);
    bool sent = false;
    QElapsedTimer clock;
    clock.start();
    Peer peer([&] {
        IPCSocket sender(nullptr, QString());
        sent = sender.sendCommand(13, payload, name);
    });
    peer.start();
    QTRY_COMPARE_WITH_TIMEOUT(commands.count(), 1, 10000);
    QVERIFY(peer.wait(5000));
    QVERIFY(sent);
    qInfo().noquote() << QStringLiteral("link load: %1 bytes of payload handled after %2 ms")
                             .arg(payload.toUtf8().size())
                             .arg(clock.elapsed());
    QCOMPARE(commands.at(0).at(0).toUInt(), 13u);
    QCOMPARE(commands.at(0).at(1).toString().size(), payload.size());
    QVERIFY(commands.at(0).at(1).toString() == payload);
}

void tst_LinkLoad::invalidMessagesAreDropped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("commandsBefore"); // commands the message itself makes

    QTest::newRow("no bar") << QByteArray("3abc") << 0;
    QTest::newRow("three parts") << QByteArray("3|a|b") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("invalid utf-8") << QByteArray("3|ab\xff\xfe") << 0;
    QTest::newRow("invalid utf-8 in the number") << QByteArray("\xc3"
                                                               "3|abc")
                                                 << 0;
    QTest::newRow("cut utf-8 sequence") << QByteArray("3|abc\xe2\x99") << 0;
    QTest::newRow("overlong encoding of the bar") << QByteArray("3\xc0\xbc"
                                                                "abc")
                                                  << 0;
    // A number that does not read becomes command 0, which nothing handles.
    QTest::newRow("non-numeric") << QByteArray("x3|abc") << 1;
}

void tst_LinkLoad::invalidMessagesAreDropped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, commandsBefore);

    const QString name = uniqueName();
    IPCSocket receiver(nullptr, name);
    QSignalSpy messages(&receiver, &IPCSocket::signal_messageReceived);
    QSignalSpy commands(&receiver, &IPCSocket::signal_commandReceived);

    // The message, then a valid one: the link goes on as before.
    QVERIFY(sendRawMessage(name, bytes));
    QVERIFY(sendRawMessage(name, "3|after"));
    QTRY_COMPARE(messages.count(), 2);
    QTest::qWait(IPCSocket::processDelayMs);
    QCOMPARE(commands.count(), commandsBefore + 1);
    if (commandsBefore == 1)
        QCOMPARE(commands.at(0).at(0).toUInt(), 0u);
    QCOMPARE(commands.last().at(0).toUInt(), 3u);
    QCOMPARE(commands.last().at(1).toString(), QStringLiteral("after"));
}

QTEST_GUILESS_MAIN(tst_LinkLoad)
#include "tst_linkload.moc"
