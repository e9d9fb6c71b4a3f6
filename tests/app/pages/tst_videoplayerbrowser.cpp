#include "pagescript.h"
#include "companionlink.h"
#include "pages/videoplayerbrowser.h"

#include <QWebEngineSettings>
#include <QtTest>

namespace {

// A stand-in player page that records every call it receives.
const char *const recordingPage = R"(<html><body><script>
var calls = [];
var injected = false;
function loadPlayer(id) { calls.push('loadPlayer:' + id); }
function getVideoTitle(id) { calls.push('getVideoTitle:' + id); }
function startPlayer() { calls.push('startPlayer'); }
function pausePlayer() { calls.push('pausePlayer'); }
function stopPlayer() { calls.push('stopPlayer'); }
function clearPlayer() { calls.push('clearPlayer'); }
function setVideoVolume(v) { calls.push('setVideoVolume:' + v); }
function toggleMuteVideo() { calls.push('toggleMuteVideo'); }
function resizePlayer(w, h) { calls.push('resizePlayer:' + w + 'x' + h); }
</script></body></html>)";

} // namespace

class tst_VideoPlayerBrowser : public QObject
{
    Q_OBJECT

private slots:
    void states_data();
    void states();
    void errors_data();
    void errors();
    void pageReportsPassedOn();
    void scriptCalls();
    void idsReachThePageAsData_data();
    void idsReachThePageAsData();

private:
    QStringList recordedCalls(VideoPlayerBrowser &browser);
    bool loadRecordingPage(VideoPlayerBrowser &browser);
};

void tst_VideoPlayerBrowser::states_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("command");

    const uint playing = uint(PlayerNotification::VideoPlaying);
    const uint paused = uint(PlayerNotification::VideoPaused);
    const uint ended = uint(PageNotice::VideoEnded);
    const uint loaded = uint(PageNotice::PageLoaded);
    QTest::newRow("playing") << int(VideoPlayerBrowser::Playing) << "Playing" << playing;
    QTest::newRow("paused") << int(VideoPlayerBrowser::Paused) << "Paused" << paused;
    QTest::newRow("buffering") << int(VideoPlayerBrowser::Buffering) << "Buffering..." << loaded;
    QTest::newRow("cued") << int(VideoPlayerBrowser::VideoCued) << "Waiting" << loaded;
    QTest::newRow("ended") << int(VideoPlayerBrowser::Ended) << "" << ended;
    QTest::newRow("unstarted") << int(VideoPlayerBrowser::Unstarted) << "" << loaded;
    QTest::newRow("unknown") << 42 << "" << loaded;
}

void tst_VideoPlayerBrowser::states()
{
    QFETCH(int, state);
    QFETCH(QString, text);
    QFETCH(uint, command);

    VideoPlayerBrowser browser;
    QCOMPARE(browser.playerState(), int(VideoPlayerBrowser::Unstarted));
    QStringList order;
    connect(&browser, &VideoPlayerBrowser::signal_statusChange, this,
            [&](int status, const QString &statusText) {
                order << QStringLiteral("status %1 %2").arg(status).arg(statusText);
            });
    connect(&browser, &VideoPlayerBrowser::signal_NotifyServer, this,
            [&](uint cmd) { order << QStringLiteral("notify %1").arg(cmd); });

    browser.slot_PlayerStateChange(state);
    QCOMPARE(order, QStringList({QStringLiteral("status %1 %2").arg(state).arg(text),
                                 QStringLiteral("notify %1").arg(command)}));
    QCOMPARE(browser.playerState(), state);
}

void tst_VideoPlayerBrowser::errors_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");

    QTest::newRow("invalid id") << int(VideoPlayerBrowser::InvalidVideoId) << "Invalid video id";
    QTest::newRow("not found") << int(VideoPlayerBrowser::VideoNotFound) << "Video not found";
    QTest::newRow("not allowed") << int(VideoPlayerBrowser::VideoNotAllowed) << "Video not allowed";
    // The video site's player sends 150 for the same reason as 101.
    QTest::newRow("not allowed, other number")
        << int(VideoPlayerBrowser::VideoNotAllowedToo) << "Video not allowed";
    QTest::newRow("other") << 151 << "";
}

void tst_VideoPlayerBrowser::errors()
{
    QFETCH(int, error);
    QFETCH(QString, text);

    VideoPlayerBrowser browser;
    browser.slot_PlayerStateChange(VideoPlayerBrowser::Playing);
    QSignalSpy errors(&browser, &VideoPlayerBrowser::signal_Error);
    browser.slot_PlayerError(error);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), error);
    QCOMPARE(errors.at(0).at(1).toString(), text);
    QCOMPARE(browser.playerState(), int(VideoPlayerBrowser::Playing));
}

void tst_VideoPlayerBrowser::pageReportsPassedOn()
{
    // Reported the way the player page does: through its window object AppBrowserEvents.
    VideoPlayerBrowser browser;
    QVERIFY(loadRecordingPage(browser));
    QTRY_VERIFY(evaluateInPage(browser.page(), QStringLiteral("!!window.AppBrowserEvents")).toBool());
    QSignalSpy urls(&browser, &VideoPlayerBrowser::signal_videoChangedUrl);
    QSignalSpy videos(&browser, &VideoPlayerBrowser::signal_videoChanged);
    QSignalSpy volumes(&browser, &VideoPlayerBrowser::signal_volumeChanged);
    QSignalSpy states(&browser, &VideoPlayerBrowser::signal_statusChange);
    QSignalSpy errors(&browser, &VideoPlayerBrowser::signal_Error);
    evaluateInPage(browser.page(), QStringLiteral(
        "AppBrowserEvents.slot_PlayerUrlChanged('http://h/watch?v=a&feature=x');"
        "AppBrowserEvents.slot_PlayerVideoChanged('{\"id\":\"a\"}');"
        "AppBrowserEvents.slot_PlayerVolumeChanged(37);"
        "AppBrowserEvents.slot_PlayerStateChange(1);"
        "AppBrowserEvents.slot_PlayerError(100);"));
    QTRY_COMPARE(errors.size(), 1);
    QCOMPARE(urls.at(0).at(0).toString(), QStringLiteral("http://h/watch?v=a&feature=x"));
    QCOMPARE(videos.at(0).at(0).toString(), QStringLiteral("{\"id\":\"a\"}"));
    QCOMPARE(volumes.at(0).at(0).toInt(), 37);
    QCOMPARE(states.at(0).at(0).toInt(), int(VideoPlayerBrowser::Playing));
    QCOMPARE(errors.at(0).at(0).toInt(), int(VideoPlayerBrowser::VideoNotFound));
    QCOMPARE(browser.playerState(), int(VideoPlayerBrowser::Playing));
}

bool tst_VideoPlayerBrowser::loadRecordingPage(VideoPlayerBrowser &browser)
{
    QSignalSpy finished(&browser, &QWebEngineView::loadFinished);
    QSignalSpy notified(&browser, &VideoPlayerBrowser::signal_NotifyServer);
    browser.setHtml(QString::fromUtf8(recordingPage), QUrl(QStringLiteral("http://localhost/")));
    if (!finished.wait(5000) && finished.isEmpty())
        return false;
    // A finished load tells the main window that the player can play.
    return !notified.isEmpty() && notified.last().at(0).toUInt() == uint(PageNotice::PageLoaded);
}

QStringList tst_VideoPlayerBrowser::recordedCalls(VideoPlayerBrowser &browser)
{
    return evaluateInPage(browser.page(), QStringLiteral("calls")).toStringList();
}

void tst_VideoPlayerBrowser::scriptCalls()
{
    VideoPlayerBrowser browser;
    QVERIFY(loadRecordingPage(browser));
    browser.loadVideo(QStringLiteral("abc"));
    browser.requestVideoTitle(QStringLiteral("abc"));
    browser.play();
    browser.pause();
    browser.stop();
    browser.setPlayerVolume(70);
    browser.toggleMute();
    browser.resizeVideo(QSize(640, 360));
    QTRY_COMPARE_WITH_TIMEOUT(recordedCalls(browser).size(), 9, 5000);
    QCOMPARE(recordedCalls(browser),
             QStringList({"loadPlayer:abc", "getVideoTitle:abc", "startPlayer", "pausePlayer",
                          "stopPlayer", "clearPlayer", "setVideoVolume:70", "toggleMuteVideo",
                          "resizePlayer:640x360"}));
}

void tst_VideoPlayerBrowser::idsReachThePageAsData_data()
{
    QTest::addColumn<QString>("id");

    QTest::newRow("apostrophe") << "it's";
    QTest::newRow("closing the call") << "x');injected=true;('";
    QTest::newRow("backslash before apostrophe") << "a\\');injected=true;//";
    QTest::newRow("line break") << "a\nb');injected=true;//";
    QTest::newRow("line separator") << QStringLiteral("a\u2028b');injected=true;//");
    QTest::newRow("quotes and unicode") << QStringLiteral("\"K\u00e4the\" \u266b");
}

void tst_VideoPlayerBrowser::idsReachThePageAsData()
{
    QFETCH(QString, id);

    VideoPlayerBrowser browser;
    QVERIFY(loadRecordingPage(browser));
    browser.loadVideo(id);
    browser.requestVideoTitle(id);
    QTRY_COMPARE_WITH_TIMEOUT(recordedCalls(browser).size(), 2, 5000);
    QCOMPARE(recordedCalls(browser), QStringList({QStringLiteral("loadPlayer:") + id,
                                                  QStringLiteral("getVideoTitle:") + id}));
    QCOMPARE(evaluateInPage(browser.page(), QStringLiteral("injected")).toBool(),
             false);
}

QTEST_MAIN(tst_VideoPlayerBrowser)
#include "tst_videoplayerbrowser.moc"
