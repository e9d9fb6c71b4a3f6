// The companion plays demo videos through the real player binary and the real site-server.

#include "companionlink.h"
#include "companionnotifier.h"
#include "ipcsocket.h"
#include "siteserverprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QtTest>

namespace {

const QString playableId = QStringLiteral("hLx7Qm2Ta9c");
const QString secondId = QStringLiteral("Vq3Rt8Kp1Ws");
const QString notEmbeddableId = QStringLiteral("bW1-Fe7Hr3K");

struct Heard
{
    uint cmd;
    QString payload;
    qint64 atMs;
};

} // namespace

class tst_PlayVideo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void playThroughToTheEnd();

private:
    void send(uint cmd, const QString &payload);
    // Waits for the next notification with the number cmd after position from; -1 if none came.
    int waitFor(uint cmd, int from, int timeoutMs = 20000);
    // Waits until the site-server has answered a request of the video site for target.
    bool videoSiteAnswered(const QString &target);

    SiteServerProcess server;
    QProcess player;
    QT_EXT::IPCSocket *companion = nullptr;
    QList<Heard> heard;
    QElapsedTimer clock;
    QString settingsDir;
    QByteArray serverLog;
};

void tst_PlayVideo::initTestCase()
{
    QString error;
    // With a line for each request answered.
    QVERIFY2(server.start({QStringLiteral("--log")}, error), qPrintable(error));

    // The player reads its hosts from the INI file beside it.
    settingsDir = QDir(QFileInfo(QStringLiteral(PLAYER_BINARY)).absolutePath())
                      .filePath(QStringLiteral("Quorbel"));
    QDir(settingsDir).removeRecursively();
    {
        QSettings ini(QDir(settingsDir).filePath(QStringLiteral("MiniVideoPlayerSV.ini")),
                      QSettings::IniFormat);
        ini.setValue(QStringLiteral("hosts/maker"), server.makerAddress());
        ini.setValue(QStringLiteral("hosts/video_site"), server.videoAddress());
    }

    clock.start();
    companion = new QT_EXT::IPCSocket(this, companionServerName);
    QVERIFY(companion->isListening());
    connect(companion, &QT_EXT::IPCSocket::signal_commandReceived, this,
            [this](uint cmd, const QString &payload) {
                heard.append({cmd, payload, clock.elapsed()});
            });

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    player.setProcessEnvironment(env);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(QStringLiteral(PLAYER_BINARY), {});
    QVERIFY(player.waitForStarted());
}

void tst_PlayVideo::cleanupTestCase()
{
    if (player.state() != QProcess::NotRunning) {
        player.kill();
        player.waitForFinished();
    }
    QDir(settingsDir).removeRecursively();
    QString error;
    QVERIFY2(server.stop(error), qPrintable(error));
}

void tst_PlayVideo::send(uint cmd, const QString &payload)
{
    QT_EXT::IPCSocket sender(nullptr, QString());
    QVERIFY(sender.sendCommand(cmd, payload, playerServerName));
}

int tst_PlayVideo::waitFor(uint cmd, int from, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        for (int i = from; i < heard.size(); ++i) {
            if (heard.at(i).cmd == cmd)
                return i;
        }
        if (deadline.hasExpired())
            return -1;
        QTest::qWait(50);
    }
}

bool tst_PlayVideo::videoSiteAnswered(const QString &target)
{
    // The server writes the line after the answer.
    const QByteArray line = QStringLiteral(" GET %1 ").arg(target).toUtf8();
    return QTest::qWaitFor(
        [&] {
            serverLog += server.process().readAllStandardOutput();
            for (const QByteArray &l : serverLog.split('\n')) {
                if (l.startsWith("video_site ") && l.contains(line))
                    return true;
            }
            return false;
        },
        20000);
}

void tst_PlayVideo::playThroughToTheEnd()
{
    // The player page loaded: the companion hears PlayerReady.
    const int ready = waitFor(23, 0);
    QVERIFY(ready >= 0);

    send(3, playableId);
    const int changed = waitFor(14, ready);
    QVERIFY2(changed >= 0, "no VideoChanged");
    const QString record = heard.at(changed).payload;
    QVERIFY2(record.contains(QStringLiteral("\"id\":\"%1\"").arg(playableId)), qPrintable(record));
    QVERIFY(record.contains(QStringLiteral("\"title\":\"Nordlicht Radio - Harbour Lights\"")));
    const int playing = waitFor(3, ready);
    QVERIFY2(playing >= 0, "no VideoPlaying");
    QCOMPARE(heard.at(playing).payload, record);

    // At the end of the clip: VideoPaused at once, NextTrack two seconds later.
    const int paused = waitFor(4, playing, 30000);
    QVERIFY2(paused >= 0, "no VideoPaused at the end");
    QCOMPARE(heard.at(paused).payload, record);
    const int next = waitFor(24, paused, 5000);
    QVERIFY2(next >= 0, "no NextTrack");
    // Both pass the same link, so the gap is the notifier's delay: its timer is a coarse one,
    // which may fire up to 5% early; twice as late would be a fault of its own.
    const qint64 gap = heard.at(next).atMs - heard.at(paused).atMs;
    constexpr int nextTrackMs = CompanionNotifier::nextTrackDelayMs;
    QVERIFY2(gap >= nextTrackMs * 95 / 100 && gap <= 2 * nextTrackMs,
             qPrintable(QString::number(gap)));

    // A video that may not be embedded: the companion hears the error text.
    const int beforeError = heard.size();
    send(3, notEmbeddableId);
    const int error = waitFor(26, beforeError);
    QVERIFY2(error >= 0, "no PlayerError");
    QCOMPARE(heard.at(error).payload, QStringLiteral("Video not allowed"));

    // An unknown id shows its error in the title only: nothing reaches the companion. The
    // video site has answered for it before the next video is asked for, so that its error is
    // not dropped for the next one; errors go out at once and VideoChanged after its delay, so
    // the error of the video not allowed and the VideoChanged of the JSON Play below come
    // after anything the unknown id could have caused.
    const int beforeUnknown = heard.size();
    const QString unknownId = QStringLiteral("zzzzzzzzzzz");
    send(3, unknownId);
    QVERIFY2(videoSiteAnswered(QStringLiteral("/player_api/video_info?v=") + unknownId),
             "the video site was not asked for the unknown id");
    send(3, notEmbeddableId);
    const int laterError = waitFor(26, beforeUnknown);
    QVERIFY2(laterError >= 0, "no PlayerError for the video not allowed");

    // The JSON form sets the folder and plays the given video.
    const int beforeJson = heard.size();
    send(20, QStringLiteral(R"({"Command":"Play","RecordingFolder":"%1","VideoID":"%2"})")
                 .arg(QDir::tempPath(), secondId));
    const int secondChanged = waitFor(14, beforeJson);
    QVERIFY2(secondChanged >= 0, "no VideoChanged for the JSON Play");
    QVERIFY(heard.at(secondChanged).payload.contains(secondId));
    // What the later videos cause may come in between (on a slow machine the video not allowed
    // is reported as changed before the JSON Play arrives); nothing may be of the unknown id.
    for (const Heard &h : heard.mid(beforeUnknown, secondChanged - beforeUnknown)) {
        const bool ofUnknown =
            h.payload.contains(unknownId) ||
            (h.cmd == 26 && h.payload != QLatin1String("Video not allowed")) ||
            ((h.cmd == 14 || h.cmd == 3) && !h.payload.contains(notEmbeddableId) &&
             !h.payload.contains(secondId));
        QVERIFY2(!ofUnknown, qPrintable(QStringLiteral("%1 %2").arg(h.cmd).arg(h.payload)));
    }

    // PlayerReady came exactly once.
    int readyCount = 0;
    for (const Heard &h : heard)
        readyCount += h.cmd == 23 ? 1 : 0;
    QCOMPARE(readyCount, 1);

    const int beforeQuit = heard.size();
    send(2, QString());
    QVERIFY(player.waitForFinished(10000));
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), 0);
    QVERIFY(waitFor(2, beforeQuit, 5000) >= 0);
}

QTEST_GUILESS_MAIN(tst_PlayVideo)
#include "tst_playvideo.moc"
