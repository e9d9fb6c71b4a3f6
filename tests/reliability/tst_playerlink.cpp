// The companion link of the real player program under load: a flood of messages, messages
// that are no command, and silent peers while the companion gives a real command.

#include "companionlink.h"
#include "ipcsocket.h"
#include "rawmessage.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

using QT_EXT::IPCSocket;

namespace {

class Flood : public QThread
{
public:
    explicit Flood(int count) : count(count) {}
    std::atomic<int> sent{0};

protected:
    void run() override
    {
        IPCSocket sender(nullptr, QString());
        for (int i = 0; i < count; ++i) {
            if (sender.sendCommand(uint(CompanionCommand::IgnoredText),
                                   QStringLiteral("flood %1").arg(i), playerServerName))
                ++sent;
        }
    }

private:
    int count;
};

} // namespace

class tst_PlayerLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void floodAndInvalidMessagesLeaveThePlayerWorking();
    void silentPeersDelayNoCommand();

private:
    bool startPlayer();
    // The player has ended (it may have while the test waited for Closing).
    bool ended() { return player.state() == QProcess::NotRunning || player.waitForFinished(10000); }
    // Sends Quit and returns the milliseconds until the companion hears Closing, or -1.
    qint64 quitAndTimeClosing();

    QProcess player;
    std::unique_ptr<IPCSocket> companion;
    QList<QPair<uint, qint64>> heard;
    QElapsedTimer clock;
};

void tst_PlayerLink::initTestCase()
{
    clock.start();
    companion = std::make_unique<IPCSocket>(nullptr, companionServerName);
    QVERIFY(companion->isListening());
    connect(companion.get(), &IPCSocket::signal_commandReceived, this,
            [this](uint cmd, const QString &) {
                heard.append({cmd, clock.elapsed()});
            });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    player.setProcessEnvironment(env);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

void tst_PlayerLink::cleanup()
{
    if (player.state() != QProcess::NotRunning) {
        player.kill();
        player.waitForFinished();
    }
}

bool tst_PlayerLink::startPlayer()
{
    player.start(QStringLiteral(PLAYER_BINARY), {});
    if (!player.waitForStarted())
        return false;
    IPCSocket sender(nullptr, QString());
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (sender.sendCommand(uint(CompanionCommand::IgnoredText), QStringLiteral("ping"),
                               playerServerName))
            return true;
        QTest::qWait(100);
    }
    return false;
}

qint64 tst_PlayerLink::quitAndTimeClosing()
{
    heard.clear();
    const qint64 sentAt = clock.elapsed();
    IPCSocket sender(nullptr, QString());
    if (!sender.sendCommand(uint(CompanionCommand::Quit), QString(), playerServerName))
        return -1;
    const auto closing = [this] {
        for (const auto &h : qAsConst(heard)) {
            if (h.first == uint(PlayerNotification::Closing))
                return h.second;
        }
        return qint64(-1);
    };
    if (!QTest::qWaitFor([&] { return closing() >= 0; }, 10000))
        return -1;
    return closing() - sentAt;
}

void tst_PlayerLink::floodAndInvalidMessagesLeaveThePlayerWorking()
{
    QVERIFY(startPlayer());

    // Quit in every broken form: none of them may end the player.
    const QList<QByteArray> broken{"2",
                                   "2|a|b",
                                   "x|",
                                   "2|\xff",
                                   "2\xc0|",
                                   "",
                                   "2|\xe2\x99",
                                   "\xef\xbf\xbd"
                                   "2|"};
    for (const QByteArray &bytes : broken)
        QVERIFY2(sendRawMessage(playerServerName, bytes), bytes.toHex().constData());

    constexpr int count = 1000;
    QElapsedTimer floodClock;
    floodClock.start();
    Flood flood(count);
    flood.start();
    QVERIFY(QTest::qWaitFor([&] { return flood.isFinished(); }, 60000));
    const qint64 floodMs = floodClock.elapsed();
    QTest::qWait(2 * IPCSocket::processDelayMs);
    QCOMPARE(player.state(), QProcess::Running);

    // A real Quit still ends it, after everything before it was handled.
    const qint64 quitMs = quitAndTimeClosing();
    qInfo().noquote()
        << QStringLiteral("player link: %1 broken Quit messages ignored; %2 of %3 flood messages "
                          "taken in %4 ms; then Quit heard as Closing after %5 ms")
               .arg(broken.size())
               .arg(flood.sent.load())
               .arg(count)
               .arg(floodMs)
               .arg(quitMs);
    QCOMPARE(flood.sent.load(), count);
    QVERIFY(quitMs >= 0);
    QVERIFY(ended());
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), 0);
}

void tst_PlayerLink::silentPeersDelayNoCommand()
{
    constexpr int silentPeers = 50;

    // The same command without and with fifty silent peers holding connections to the player.
    QVERIFY(startPlayer());
    QTest::qWait(500);
    const qint64 alone = quitAndTimeClosing();
    QVERIFY(alone >= 0);
    QVERIFY(ended());

    QVERIFY(startPlayer());
    QTest::qWait(500);
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int i = 0; i < silentPeers; ++i) {
        silent.push_back(std::make_unique<QLocalSocket>());
        silent.back()->connectToServer(playerServerName);
        QVERIFY(silent.back()->waitForConnected(IPCSocket::timeoutMs));
    }
    // Let the player take every silent connection before the command is given.
    QTest::qWait(200);
    const qint64 withSilent = quitAndTimeClosing();
    QVERIFY(withSilent >= 0);
    QVERIFY(ended());
    QCOMPARE(player.exitCode(), 0);

    const qint64 delay = withSilent - alone;
    qInfo().noquote() << QStringLiteral("player link: Quit to Closing %1 ms alone, %2 ms with %3 "
                                        "silent peers: delay %4 ms")
                             .arg(alone)
                             .arg(withSilent)
                             .arg(silentPeers)
                             .arg(delay);
    // A player that waited on a silent peer would hold the command behind it for a whole read
    // timeout at least (behind fifty of them, for fifty); one that reads without waiting delays
    // it by far less.
    QVERIFY2(delay < IPCSocket::timeoutMs, qPrintable(QString::number(delay)));
}

QTEST_GUILESS_MAIN(tst_PlayerLink)
#include "tst_playerlink.moc"
