// The real player binary and the companion tool, talking over the real local sockets.

#include "companionlink.h"
#include "ipcsocket.h"

#include <QProcess>
#include <QtTest>

namespace {

// The player may also report that its page is ready; Closing, with no payload, must be there.
bool closingHeard(const QSignalSpy &heard)
{
    for (const QList<QVariant> &args : heard) {
        if (args.at(0).toUInt() == uint(PlayerNotification::Closing) &&
            args.at(1).toString().isEmpty())
            return true;
    }
    return false;
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondStartWakesFirstAndEnds();
    void companionToolQuitEndsPlayerWithZero();
    void companionToolFailsWithoutPlayer();
    void commandLineWithoutDisplay_data();
    void commandLineWithoutDisplay();

private:
    bool startPlayer();
    int runCompanion(const QStringList &args, QByteArray *err = nullptr);

    QProcess player;
    QT_EXT::IPCSocket *companion = nullptr;
};

void tst_Startup::init()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    player.setProcessEnvironment(env);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    companion = new QT_EXT::IPCSocket(nullptr, companionServerName);
    QVERIFY(companion->isListening());
}

void tst_Startup::cleanup()
{
    if (player.state() != QProcess::NotRunning) {
        player.kill();
        player.waitForFinished();
    }
    delete companion;
    companion = nullptr;
}

bool tst_Startup::startPlayer()
{
    player.start(QStringLiteral(PLAYER_BINARY), {});
    if (!player.waitForStarted())
        return false;
    // The player is up once it takes a command.
    QT_EXT::IPCSocket sender(nullptr, QString());
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (sender.sendCommand(uint(CompanionCommand::IgnoredText), QStringLiteral("ping"),
                               playerServerName))
            return true;
        QTest::qWait(100);
    }
    return false;
}

int tst_Startup::runCompanion(const QStringList &args, QByteArray *err)
{
    QProcess tool;
    tool.start(QStringLiteral(COMPANION_BINARY), args);
    if (!tool.waitForFinished(10000))
        return -1;
    if (err)
        *err = tool.readAllStandardError();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

void tst_Startup::secondStartWakesFirstAndEnds()
{
    QVERIFY(startPlayer());

    QProcess second;
    second.setProcessEnvironment(player.processEnvironment());
    second.start(QStringLiteral(PLAYER_BINARY), {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    // One line says what happened (Qt may add warnings of its own about the environment).
    const QList<QByteArray> said = second.readAllStandardError().split('\n');
    QCOMPARE(said.count("MiniVideoPlayerSV: already running; the running copy was woken"), 1);
    // The first copy still runs and takes commands.
    QCOMPARE(player.state(), QProcess::Running);
    QT_EXT::IPCSocket sender(nullptr, QString());
    QVERIFY(sender.sendCommand(uint(CompanionCommand::IgnoredText), QStringLiteral("still there"),
                               playerServerName));

    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    QCOMPARE(runCompanion({QStringLiteral("quit")}), 0);
    QVERIFY(player.waitForFinished(10000));
    QTRY_VERIFY(closingHeard(heard));
}

void tst_Startup::companionToolQuitEndsPlayerWithZero()
{
    QVERIFY(startPlayer());
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);

    QCOMPARE(runCompanion({QStringLiteral("play"), QStringLiteral("abc")}), 0);
    QCOMPARE(runCompanion({QStringLiteral("quit")}), 0);
    QVERIFY(player.waitForFinished(10000));
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), 0);

    QTRY_VERIFY(closingHeard(heard));
}

void tst_Startup::companionToolFailsWithoutPlayer()
{
    QByteArray err;
    QCOMPARE(runCompanion({QStringLiteral("quit")}, &err), 1);
    QVERIFY2(err.contains("not running"), err.constData());
    QCOMPARE(runCompanion({QStringLiteral("send"), QStringLiteral("x")}, &err), 2);
    QCOMPARE(runCompanion({QStringLiteral("frobnicate")}, &err), 2);
}

void tst_Startup::commandLineWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0
                            << QByteArray("Usage: MiniVideoPlayerSV") << QByteArray();
    QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << 0
                        << QByteArray("Usage: MiniVideoPlayerSV") << QByteArray();
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << 0
                               << QByteArray("MiniVideoPlayerSV 1.0\n") << QByteArray();
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--bogus")} << 2 << QByteArray()
        << QByteArray("MiniVideoPlayerSV: unknown option \"--bogus\"; see --help\n");
    QTest::newRow("Qt option, then help")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--help")}
        << 0 << QByteArray("Usage: MiniVideoPlayerSV") << QByteArray();
}

void tst_Startup::commandLineWithoutDisplay()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    // No display and no platform chosen: a window could not even be made.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PLAYER_BINARY), args);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    QVERIFY(program.readAllStandardOutput().startsWith(out));
    QCOMPARE(program.readAllStandardError(), err);
}

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_startup.moc"
