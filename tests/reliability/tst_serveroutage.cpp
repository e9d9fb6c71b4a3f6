// The site-server goes away in the middle of playback and of a download, and comes back on the
// same ports: the window shows the failure, goes on running, and plays and saves again.

#include "companionlink.h"
#include "companionpeer.h"
#include "dialoganswerer.h"
#include "download/videodownloadpanel.h"
#include "download/videohtmlinfo.h"
#include "mainwindow.h"
#include "siteserverprocess.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString playableId = QStringLiteral("hLx7Qm2Ta9c");
const QString secondId = QStringLiteral("Vq3Rt8Kp1Ws");
// Slow enough that a download of a demo clip takes a few seconds.
const QString streamRate = QStringLiteral("100000");

// Answers the format dialog with the row of the given text.
DialogAnswerer::Handler chooseFormat(const QString &rowText)
{
    return DialogAnswerer::chooseRow(QStringLiteral("lwFormats"), rowText,
                                     QStringLiteral("btDownload"));
}

} // namespace

class tst_ServerOutage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void serverGoneDuringPlayback();
    void serverGoneDuringDownload();

private:
    bool startServer(int makerPort, int videoPort);
    void stopServerHard();
    void send(uint cmd, const QString &payload) { QVERIFY(CompanionPeer::send(cmd, payload)); }
    bool heardWith(uint cmd, const QString &text, int timeoutMs = 20000) const
    {
        return companion->heardWith(cmd, text, timeoutMs);
    }
    // Starts a download of secondId in MP4 360 into folder; false if it did not start.
    bool startDownload(const QString &folder, DialogAnswerer &answerer);

    SiteServerProcess server;
    std::unique_ptr<CompanionPeer> companion;
    std::unique_ptr<MainWindow> window;
    QString settingsDir;
};

bool tst_ServerOutage::startServer(int makerPort, int videoPort)
{
    QString error;
    if (server.startOn(makerPort, videoPort, {QStringLiteral("--stream-rate"), streamRate}, error))
        return true;
    qWarning().noquote() << error;
    return false;
}

void tst_ServerOutage::stopServerHard()
{
    QVERIFY(server.kill());
}

void tst_ServerOutage::initTestCase()
{
    QVERIFY(startServer(0, 0));
    settingsDir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
    QDir(settingsDir).removeRecursively();
    server.writePlayerHosts(QDir(settingsDir).filePath(QStringLiteral("MiniVideoPlayerSV.ini")));
    companion = std::make_unique<CompanionPeer>();
    QVERIFY(companion->isListening());
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    QVERIFY(heardWith(uint(PlayerNotification::PlayerReady), QString()));
}

void tst_ServerOutage::cleanupTestCase()
{
    window.reset();
    companion.reset();
    QDir(settingsDir).removeRecursively();
    QString error;
    QVERIFY2(server.stop(error), qPrintable(error));
}

void tst_ServerOutage::serverGoneDuringPlayback()
{
    const int makerPort = server.makerPort();
    const int videoPort = server.videoPort();
    companion->clear();
    send(uint(CompanionCommand::PlayVideo), playableId);
    QVERIFY(heardWith(uint(PlayerNotification::VideoPlaying), playableId));
    QTest::qWait(500);
    stopServerHard();

    // The next video cannot be had: the window says that the site cannot be reached (not that
    // the video is missing), goes on, and tries again.
    companion->clear();
    send(uint(CompanionCommand::PlayVideo), secondId);
    QTRY_VERIFY_WITH_TIMEOUT(
        window->windowTitle().startsWith(QStringLiteral("Cannot reach 127.0.0.1:")), 20000);
    qInfo().noquote() << QStringLiteral("server outage: during playback the window shows \"%1\"")
                             .arg(window->windowTitle());
    QVERIFY(!heardWith(uint(PlayerNotification::VideoPlaying), secondId, 1000));

    // Back on the same ports: the window plays the video by itself at its next try.
    QVERIFY(startServer(makerPort, videoPort));
    QVERIFY(heardWith(uint(PlayerNotification::VideoPlaying), secondId,
                      MainWindow::longestRetryDelayMs + 20000));
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Velvet Orchard - Slow Tide"),
                              10000);
}

bool tst_ServerOutage::startDownload(const QString &folder, DialogAnswerer &answerer)
{
    // Another video first: the analysis of the watch page runs again for the one to save.
    companion->clear();
    send(uint(CompanionCommand::PlayVideo), playableId);
    if (!heardWith(uint(PlayerNotification::VideoPlaying), playableId)) {
        qWarning() << "no VideoPlaying for" << playableId;
        return false;
    }
    companion->clear();
    send(uint(CompanionCommand::JsonCommand),
         QStringLiteral(R"({"Command":"Play","RecordingFolder":"%1","VideoID":"%2"})")
             .arg(folder, secondId));
    // The window names the file after the video it has taken, which the page reports on its own
    // time, independently of the watch page analysis.
    if (!heardWith(uint(PlayerNotification::VideoChanged), secondId)) {
        qWarning() << "no VideoChanged for" << secondId;
        return false;
    }
    QAction *download = window->findChild<QAction *>(QStringLiteral("actionDownload"));
    if (!QTest::qWaitFor(
            [&] {
                return window->watchPageAnalysis().videoId() == secondId &&
                       window->watchPageAnalysis().formats().contains(18) && download->isEnabled();
            },
            20000)) {
        qWarning().noquote() << "no formats for" << secondId << "; analysis of"
                             << window->watchPageAnalysis().videoId() << "itags"
                             << window->watchPageAnalysis().formats().keys() << "download enabled"
                             << download->isEnabled();
        return false;
    }
    answerer.handle(chooseFormat(QStringLiteral("MP4 360")));
    answerer.accept();
    download->trigger();
    return window->downloadPage()->isDownloading();
}

void tst_ServerOutage::serverGoneDuringDownload()
{
    const int makerPort = server.makerPort();
    const int videoPort = server.videoPort();
    const QString served = QDir(SiteServerProcess::mediaDir()).filePath(secondId + "/18.mp4");
    const QString finalName = QStringLiteral("Velvet Orchard - Slow Tide.mp4");
    QTemporaryDir folder;

    DialogAnswerer answerer;
    QVERIFY(startDownload(folder.path(), answerer));
    QSignalSpy finished(window->downloadPage(), &VideoDownloadPanel::signal_downloadFinished);
    QSignalSpy progress(window->downloadPage(), &VideoDownloadPanel::signal_downloadProgress);
    const QString part = QDir(folder.path()).filePath(finalName + QStringLiteral(".part"));
    // The server's few workers may still serve the playing video's connections first.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(part).size() > 0, 30000);

    // The engine reports the broken transfer in a message box.
    answerer.click(QMessageBox::Ok);
    stopServerHard();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QTRY_COMPARE(answerer.pending(), 0);
    const QString shown = answerer.seen().last().text;
    const QString status = progress.isEmpty() ? QString() : progress.last().at(0).toString();
    auto *statusLine = window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    qInfo().noquote() << QStringLiteral("server outage: during a download the window shows \"%1\" "
                                        "and the status line \"%2\"; the folder holds %3")
                             .arg(shown, statusLine->text())
                             .arg(QDir(folder.path()).entryList(QDir::Files).join(", "));
    QVERIFY(!shown.isEmpty());
    QCOMPARE(status, shown);
    QVERIFY(QDir(folder.path()).entryList(QDir::Files).isEmpty());

    // Back on the same ports: the download runs to its end.
    QVERIFY(startServer(makerPort, videoPort));
    QVERIFY(startDownload(folder.path(), answerer));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 30000);
    QCOMPARE(finished.at(1).at(0).toBool(), false);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{finalName});
    QCOMPARE(QFileInfo(QDir(folder.path()).filePath(finalName)).size(), QFileInfo(served).size());
}

QTEST_MAIN(tst_ServerOutage)
#include "tst_serveroutage.moc"
