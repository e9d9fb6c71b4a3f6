// The player killed with SIGKILL at bad moments: during a download, during playback, right
// after it changed a setting. The next start must work at once, the settings file must be
// whole and hold the last change, and no file may carry a download's final name unless it is
// complete.

#include "companionlink.h"
#include "companionpeer.h"
#include "siteserverprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QString playableId = QStringLiteral("hLx7Qm2Ta9c");
const QString secondId = QStringLiteral("Vq3Rt8Kp1Ws");

QString settingsDir()
{
    return QDir(QFileInfo(QStringLiteral(PLAYER_BINARY)).absolutePath())
        .filePath(QStringLiteral("Quorbel"));
}

QString settingsFile()
{
    return QDir(settingsDir()).filePath(QStringLiteral("MiniVideoPlayerSV.ini"));
}

// Where Qt puts the socket file of the player's local server.
QString socketFile()
{
    return QDir::temp().filePath(playerServerName);
}

ino_t inodeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

QString listing(const QString &dir)
{
    QStringList entries;
    const QFileInfoList files = QDir(dir).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : files)
        entries << QStringLiteral("%1 (%2 bytes)").arg(file.fileName()).arg(file.size());
    return entries.isEmpty() ? QStringLiteral("nothing") : entries.join(QStringLiteral(", "));
}

} // namespace

class tst_CrashRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void killDuringDownload();
    void killDuringPlayback();
    void killRightAfterSettingsChange();

private:
    void writeSettings(int volume);
    QProcessEnvironment environment() const;
    // Starts the real player and waits until it takes commands; the milliseconds it took, or -1.
    qint64 startPlayer();
    void killHard(QProcess &process);
    void send(uint cmd, const QString &payload) { QVERIFY(CompanionPeer::send(cmd, payload)); }
    bool heardWith(uint cmd, const QString &text, int timeoutMs = 20000) const
    {
        return companion->heardWith(cmd, text, timeoutMs);
    }
    // The next start after a crash: at once, as the one copy, and the link works both ways.
    void nextStartWorks(const char *after);

    SiteServerProcess server;
    QProcess player;
    std::unique_ptr<CompanionPeer> companion;
};

void tst_CrashRecovery::initTestCase()
{
    QString error;
    QVERIFY2(server.start({}, error), qPrintable(error));
    companion = std::make_unique<CompanionPeer>();
    QVERIFY(companion->isListening());
}

void tst_CrashRecovery::init()
{
    companion->clear();
    QDir(settingsDir()).removeRecursively();
    writeSettings(-1);
}

void tst_CrashRecovery::cleanup()
{
    if (player.state() != QProcess::NotRunning)
        killHard(player);
}

void tst_CrashRecovery::cleanupTestCase()
{
    QDir(settingsDir()).removeRecursively();
    QString error;
    QVERIFY2(server.stop(error), qPrintable(error));
}

void tst_CrashRecovery::writeSettings(int volume)
{
    server.writePlayerHosts(settingsFile());
    if (volume >= 0)
        QSettings(settingsFile(), QSettings::IniFormat)
            .setValue(QStringLiteral("AppVolume"), volume);
}

QProcessEnvironment tst_CrashRecovery::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

qint64 tst_CrashRecovery::startPlayer()
{
    QElapsedTimer clock;
    clock.start();
    player.setProcessEnvironment(environment());
    player.setProcessChannelMode(QProcess::SeparateChannels);
    player.start(QStringLiteral(PLAYER_BINARY), {});
    if (!player.waitForStarted())
        return -1;
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && player.state() == QProcess::Running) {
        if (CompanionPeer::send(uint(CompanionCommand::IgnoredText), QStringLiteral("ping")))
            return clock.elapsed();
        QTest::qWait(20);
    }
    return -1;
}

void tst_CrashRecovery::killHard(QProcess &process)
{
    process.kill(); // SIGKILL: nothing of the program runs any more
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
}

void tst_CrashRecovery::nextStartWorks(const char *after)
{
    // The killed copy left its socket file behind; it must not stand in the way.
    const bool staleSocket = QFileInfo::exists(socketFile());
    companion->clear();
    const qint64 startMs = startPlayer();
    QVERIFY2(startMs >= 0, "the next start does not take commands");
    QElapsedTimer clock;
    clock.start();
    QVERIFY2(heardWith(uint(PlayerNotification::PlayerReady), QString()), "no PlayerReady");
    const qint64 readyMs = startMs + clock.elapsed();
    send(uint(CompanionCommand::PlayVideo), secondId);
    QVERIFY2(heardWith(uint(PlayerNotification::VideoPlaying), secondId), "no VideoPlaying");
    qInfo().noquote() << QStringLiteral("crash recovery: after a kill %1: stale socket file %2; "
                                        "the next start takes commands after %3 ms, is ready "
                                        "after %4 ms and plays again")
                             .arg(QLatin1String(after),
                                  staleSocket ? QStringLiteral("left") : QStringLiteral("gone"))
                             .arg(startMs)
                             .arg(readyMs);

    send(uint(CompanionCommand::Quit), QString());
    QVERIFY(player.waitForFinished(10000));
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), 0);
    // It ran as the one copy, not as a second start that woke a first.
    QVERIFY(!player.readAllStandardError().contains("already running"));
}

void tst_CrashRecovery::killDuringDownload()
{
    // A stream of known length that takes seconds to arrive.
    SiteServerProcess slow;
    QString error;
    QVERIFY2(slow.start({QStringLiteral("--stream-rate"), QStringLiteral("100000")}, error),
             qPrintable(error));
    const QString streamPath = QDir(SiteServerProcess::mediaDir()).filePath(secondId + "/18.mp4");
    const qint64 streamSize = QFileInfo(streamPath).size();
    QVERIFY(streamSize > 200000);
    const QUrl stream = slow.videoUrl(QStringLiteral("/videoplayback?id=%1&itag=18").arg(secondId));

    // The player's window saving the stream, killed while the bytes come in.
    QTemporaryDir folder;
    QProcess subject;
    subject.setProcessEnvironment(environment());
    subject.start(QStringLiteral(CRASH_SUBJECT_BINARY), {stream.toString(), folder.path()});
    QVERIFY(subject.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return subject.canReadLine(); }, 20000));
    const QString line = QString::fromUtf8(subject.readLine()).trimmed();
    QVERIFY2(line.startsWith(QStringLiteral("downloading ")), qPrintable(line));
    QTest::qWait(500);
    const QStringList beforeKill = QDir(folder.path()).entryList(QDir::Files);
    killHard(subject);

    const QFileInfoList left = QDir(folder.path()).entryInfoList(QDir::Files | QDir::Hidden);
    qInfo().noquote() << QStringLiteral("crash recovery: killed during a download of %1 bytes; "
                                        "the folder holds %2")
                             .arg(streamSize)
                             .arg(listing(folder.path()));
    QCOMPARE(beforeKill, QStringList{QStringLiteral("Crash Test.mp4.part")});
    for (const QFileInfo &file : left) {
        // Only the partial file, never a short file under the final name.
        QVERIFY2(file.fileName().endsWith(QStringLiteral(".part")), qPrintable(file.fileName()));
        QVERIFY(file.size() > 0 && file.size() < streamSize);
    }
    QVERIFY2(slow.stop(error), qPrintable(error));

    nextStartWorks("during a download");
}

void tst_CrashRecovery::killDuringPlayback()
{
    QVERIFY(startPlayer() >= 0);
    QVERIFY(heardWith(uint(PlayerNotification::PlayerReady), QString()));
    send(uint(CompanionCommand::PlayVideo), playableId);
    QVERIFY(heardWith(uint(PlayerNotification::VideoPlaying), playableId));
    QTest::qWait(1000);
    killHard(player);

    qInfo().noquote() << QStringLiteral("crash recovery: killed during playback; the settings "
                                        "folder holds %1")
                             .arg(listing(settingsDir()));
    QSettings ini(settingsFile(), QSettings::IniFormat);
    QCOMPARE(ini.status(), QSettings::NoError);
    QCOMPARE(ini.value(QStringLiteral("hosts/maker")).toString(), server.makerAddress());
    QCOMPARE(ini.value(QStringLiteral("hosts/video_site")).toString(), server.videoAddress());

    nextStartWorks("during playback");
}

void tst_CrashRecovery::killRightAfterSettingsChange()
{
    // The stored volume is applied to the first video; the page then reports it and the player
    // stores it: a write of the settings file at a moment the test can see.
    writeSettings(40);
    const ino_t before = inodeOf(settingsFile());
    QVERIFY(before != 0);
    QVERIFY(startPlayer() >= 0);
    QVERIFY(heardWith(uint(PlayerNotification::PlayerReady), QString()));
    send(uint(CompanionCommand::PlayVideo), playableId);

    // The file is replaced as a whole: a new file under the name is a completed change.
    QElapsedTimer clock;
    clock.start();
    bool changed = false;
    while (clock.elapsed() < 30000 && !(changed = inodeOf(settingsFile()) != before))
        QTest::qWait(1);
    QVERIFY2(changed, "the player did not store the volume");
    killHard(player);

    const QString left = listing(settingsDir());
    qInfo().noquote() << QStringLiteral("crash recovery: killed right after the settings were "
                                        "written; the settings folder holds %1")
                             .arg(left);
    // The volume the page reported back: the one the test stored.
    QSettings ini(settingsFile(), QSettings::IniFormat);
    QCOMPARE(ini.status(), QSettings::NoError);
    QCOMPARE(ini.value(QStringLiteral("AppVolume")).toString(), QStringLiteral("40"));
    QCOMPARE(ini.value(QStringLiteral("hosts/maker")).toString(), server.makerAddress());
    QCOMPARE(ini.value(QStringLiteral("hosts/video_site")).toString(), server.videoAddress());
    // Besides the file at most the lock of the write that was cut short.
    QStringList files = QDir(settingsDir()).entryList(QDir::Files | QDir::Hidden);
    files.removeOne(QStringLiteral("MiniVideoPlayerSV.ini.lock"));
    QCOMPARE(files, QStringList{QStringLiteral("MiniVideoPlayerSV.ini")});

    // The next run stores its settings in spite of a lock left behind: the window's geometry
    // when it closes.
    nextStartWorks("right after a settings change");
    QFile written(settingsFile());
    QVERIFY(written.open(QIODevice::ReadOnly));
    qInfo().noquote() << "crash recovery: the settings file after the next run:"
                      << written.readAll().replace('\n', "; ").left(200);
    QSettings after(settingsFile(), QSettings::IniFormat);
    QCOMPARE(after.status(), QSettings::NoError);
    QCOMPARE(after.value(QStringLiteral("AppVolume")).toString(), QStringLiteral("40"));
    QVERIFY(after.contains(QStringLiteral("WindowMainWindow")));
    QCOMPARE(QDir(settingsDir()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("MiniVideoPlayerSV.ini")});
}

QTEST_GUILESS_MAIN(tst_CrashRecovery)
#include "tst_crashrecovery.moc"
