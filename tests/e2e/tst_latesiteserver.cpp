// The player started before the maker's server: it says so, keeps trying, and is ready (once)
// when the server comes up. A video the companion asked for meanwhile plays then.

#include "companionlink.h"
#include "companionpeer.h"
#include "mainwindow.h"
#include "siteserverprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

#include <memory>

namespace {

const QString playableId = QStringLiteral("hLx7Qm2Ta9c");

} // namespace

class tst_LateSiteServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void readyOnceWhenTheServerComesUp();

private:
    SiteServerProcess server;
    std::unique_ptr<CompanionPeer> companion;
    QString settingsDir;
};

void tst_LateSiteServer::initTestCase()
{
    // Learn two free ports from a first run, then leave them unanswered.
    QString error;
    QVERIFY2(server.start({}, error), qPrintable(error));
    QVERIFY2(server.stop(error), qPrintable(error));
    settingsDir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
    QDir(settingsDir).removeRecursively();
    server.writePlayerHosts(QDir(settingsDir).filePath(QStringLiteral("MiniVideoPlayerSV.ini")));
    companion = std::make_unique<CompanionPeer>();
    QVERIFY(companion->isListening());
}

void tst_LateSiteServer::cleanupTestCase()
{
    companion.reset();
    QDir(settingsDir).removeRecursively();
    QString error;
    QVERIFY2(server.stop(error), qPrintable(error));
}

void tst_LateSiteServer::readyOnceWhenTheServerComesUp()
{
    MainWindow window;
    window.show();
    QElapsedTimer sinceStart;
    sinceStart.start();

    // The title names the address that cannot be reached; the companion hears nothing.
    const QString problem = QStringLiteral("Cannot reach %1").arg(server.makerAddress());
    QTRY_VERIFY_WITH_TIMEOUT(window.windowTitle().startsWith(problem), 10000);
    qInfo("title while the server is down: %s", qPrintable(window.windowTitle()));

    // The companion asks for a video while the page is missing.
    QVERIFY(CompanionPeer::send(uint(CompanionCommand::PlayVideo), playableId));

    QTest::qWait(int(qMax<qint64>(0, 5000 - sinceStart.elapsed())));
    QCOMPARE(companion->numbersHeard(), QList<uint>());
    QVERIFY(window.windowTitle().startsWith(problem) ||
            window.windowTitle() == QStringLiteral("Loading..."));

    QString error;
    QVERIFY2(server.startOn(server.makerPort(), server.videoPort(), {}, error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(
        companion->numbersHeard().contains(uint(PlayerNotification::PlayerReady)), 40000);
    qInfo("PlayerReady %lld ms after the start", sinceStart.elapsed());

    // The video asked for meanwhile plays; PlayerReady came once, before anything else.
    QTRY_VERIFY_WITH_TIMEOUT(
        companion->numbersHeard().contains(uint(PlayerNotification::VideoPlaying)), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(
        companion->numbersHeard().contains(uint(PlayerNotification::VideoChanged)), 5000);
    const QList<uint> numbers = companion->numbersHeard();
    QCOMPARE(numbers.first(), uint(PlayerNotification::PlayerReady));
    QCOMPARE(numbers.count(uint(PlayerNotification::PlayerReady)), 1);
    for (const auto &[cmd, payload] : companion->heard()) {
        if (cmd == uint(PlayerNotification::VideoChanged))
            QVERIFY2(payload.contains(playableId), qPrintable(payload));
    }
    QCOMPARE(window.windowTitle(), QStringLiteral("Nordlicht Radio - Harbour Lights"));
}

QTEST_MAIN(tst_LateSiteServer)
#include "tst_latesiteserver.moc"
