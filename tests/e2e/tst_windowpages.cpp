// The main window's pages end to end: the window against the real site-server, driven by a
// companion peer over the real local sockets. The window runs in this process so the test can
// read what the pages show.

#include "companionlink.h"
#include "companionpeer.h"
#include "dialoganswerer.h"
#include "download/videodownloadpanel.h"
#include "lyrics/lyricspanel.h"
#include "mainwindow.h"
#include "pages/videolistbrowser.h"
#include "pages/videoplayerbrowser.h"
#include "pagescript.h"
#include "siteserverprocess.h"

#include <QAction>
#include <QClipboard>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

namespace {

struct Row
{
    QString id;
    QString title;
};

QList<Row> shownRows(VideoListBrowser *page)
{
    const QVariantList rows =
        evaluateInPage(
            page->page(),
            QStringLiteral("Array.prototype.map.call(document.querySelectorAll('.item'), "
                           "function (e) { return [e.getAttribute('data-id'), e.title]; })"))
            .toList();
    QList<Row> result;
    for (const QVariant &row : rows)
        result.append({row.toList().value(0).toString(), row.toList().value(1).toString()});
    return result;
}

QStringList idsOf(const QList<Row> &rows)
{
    QStringList ids;
    for (const Row &row : rows)
        ids << row.id;
    return ids;
}

// The window, with its drop handler reachable: a test cannot start a real drag.
class DropTarget : public MainWindow
{
public:
    using MainWindow::dropEvent;
};

} // namespace

class tst_WindowPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void searchFromCompanionAndPlayAClickedRow();
    void historyFromCompanion();
    void topListAndRelated();
    void lyricsOfThePlayingVideo();
    void downloadAVideo();
    void mp3EntryOpensConversionPage();
    // Last: it closes the window.
    void userLevelRun();

public slots:
    // Stands in for the desktop's browser.
    void openInBrowser(const QUrl &url) { opened.append(url); }

private:
    void send(uint cmd, const QString &payload) { QVERIFY(CompanionPeer::send(cmd, payload)); }
    // Waits for a notification with the number cmd whose payload holds text.
    bool heardWith(uint cmd, const QString &text, int timeoutMs = 20000) const
    {
        return companion->heardWith(cmd, text, timeoutMs);
    }
    void screenshot(const QString &name);

    SiteServerProcess server;
    std::unique_ptr<CompanionPeer> companion;
    std::unique_ptr<MainWindow> window;
    // Notifications up to the start of the current step, for the run's log.
    int loggedUpTo = 0;
    void logStep(const QString &step);
    QString settingsDir;
    QList<QUrl> opened;
};

void tst_WindowPages::initTestCase()
{
    QString error;
    // Streams at 1 MB/s: faster than any demo stream plays, slow enough that a download runs
    // for a while (the 400 kB "MP4 360" of the download test for 0.4 s).
    QVERIFY2(server.start({QStringLiteral("--stream-rate"), QStringLiteral("1000000")}, error),
             qPrintable(error));
    settingsDir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
    QDir(settingsDir).removeRecursively();
    server.writePlayerHosts(QDir(settingsDir).filePath(QStringLiteral("MiniVideoPlayerSV.ini")));
    companion = std::make_unique<CompanionPeer>();
    QVERIFY(companion->isListening());
    window = std::make_unique<DropTarget>();
    window->resize(800, 600);
    window->show();
    QVERIFY(heardWith(uint(PlayerNotification::PlayerReady), QString()));
}

void tst_WindowPages::cleanupTestCase()
{
    window.reset();
    companion.reset();
    QDir(settingsDir).removeRecursively();
    QString error;
    QVERIFY2(server.stop(error), qPrintable(error));
}

void tst_WindowPages::screenshot(const QString &name)
{
    // MVP_SCREENSHOT_DIR asks for pictures of the pages, for people to look at.
    const QString dir = qEnvironmentVariable("MVP_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    // The engine loads and draws a page's pictures on its own time: wait for them.
    if (auto *page = qobject_cast<QWebEngineView *>(
            window->findChild<QStackedWidget *>()->currentWidget())) {
        QVERIFY(QTest::qWaitFor(
            [page] {
                return evaluateInPage(page->page(),
                                      QStringLiteral("Array.prototype.every.call(document.images, "
                                                     "function (i) { return i.complete; })"))
                    .toBool();
            },
            10000));
        QTest::qWait(500);
    }
    QVERIFY(window->grab().save(QDir(dir).filePath(name + QStringLiteral(".png"))));
}

void tst_WindowPages::searchFromCompanionAndPlayAClickedRow()
{
    send(uint(CompanionCommand::JsonCommand),
         QStringLiteral(R"({"Command":"Search","Title":"Mira Solberg"})"));
    VideoListBrowser *search = window->searchPage();
    QTRY_VERIFY_WITH_TIMEOUT(!shownRows(search).isEmpty(), 20000);
    const QList<Row> rows = shownRows(search);
    for (const Row &row : rows)
        QVERIFY2(row.title.contains(QStringLiteral("Mira Solberg")), qPrintable(row.title));
    QCOMPARE(rows.size(), 2);
    screenshot(QStringLiteral("search-page"));

    // The page's own click handler, as a click on the rendered entry runs it.
    const QString clicked = rows.first().id;
    evaluateInPage(search->page(), QStringLiteral("document.querySelectorAll('.item')[0].click()"));
    QVERIFY(heardWith(uint(PlayerNotification::VideoPlaying), clicked));
    QVERIFY(heardWith(uint(PlayerNotification::VideoChanged), clicked));
}

void tst_WindowPages::historyFromCompanion()
{
    const QString thumbnail = QStringLiteral("http://%1/vi/%2/default.jpg");
    const QString list =
        QStringLiteral(
            R"({"entry":[{"id":"hLx7Qm2Ta9c","title":"Nordlicht Radio - Harbour Lights",)"
            R"("thumbnail":"%1"},{"id":"Vq3Rt8Kp1Ws","title":"Velvet Orchard - Slow Tide",)"
            R"("thumbnail":"%2"}]})")
            .arg(thumbnail.arg(server.videoAddress(), QStringLiteral("hLx7Qm2Ta9c")),
                 thumbnail.arg(server.videoAddress(), QStringLiteral("Vq3Rt8Kp1Ws")));
    send(uint(CompanionCommand::ShowHistory), list);
    window->findChild<QAction *>(QStringLiteral("actionHistory"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(
        idsOf(shownRows(window->historyPage())),
        QStringList({QStringLiteral("hLx7Qm2Ta9c"), QStringLiteral("Vq3Rt8Kp1Ws")}), 20000);
    screenshot(QStringLiteral("history-page"));
}

void tst_WindowPages::topListAndRelated()
{
    auto *search = window->findChild<QAction *>(QStringLiteral("actionSearch"));
    QAction *mostPopular = search->menu()->actions().first();
    mostPopular->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shownRows(window->searchPage()).size() > 2, 20000);
    screenshot(QStringLiteral("top-list"));

    // The video clicked above plays; its related videos come from the search button.
    window->findChild<QAction *>(QStringLiteral("actionRelated"))->trigger();
    window->findChild<QPushButton *>(QStringLiteral("btSearch"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(!shownRows(window->relatedPage()).isEmpty(), 20000);
    screenshot(QStringLiteral("related-page"));
}

void tst_WindowPages::lyricsOfThePlayingVideo()
{
    const QString id = QStringLiteral("hLx7Qm2Ta9c");
    send(uint(CompanionCommand::PlayVideo), id);
    QVERIFY(heardWith(uint(PlayerNotification::VideoChanged), id));
    QTRY_COMPARE_WITH_TIMEOUT(window->player()->playerState(), int(VideoPlayerBrowser::Playing),
                              20000);
    // Really playing: the clip's time moves on.
    const auto playedSeconds = [this] {
        return evaluateInPage(window->player()->page(), QStringLiteral("player.getCurrentTime()"))
            .toDouble();
    };
    const double firstTime = playedSeconds();
    QTRY_VERIFY_WITH_TIMEOUT(playedSeconds() > firstTime + 1.0, 10000);
    screenshot(QStringLiteral("player-playing"));

    // The Lyrics action by its shortcut; the page names the playing video's track.
    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    LyricsPanel *lyrics = window->lyricsPage();
    QCOMPARE(window->findChild<QStackedWidget *>()->currentWidget(),
             static_cast<QWidget *>(lyrics));
    const QString anchor =
        QStringLiteral("a[href=\"%1\"]").arg(LyricsPanel::searchLink().toString());
    QTRY_COMPARE_WITH_TIMEOUT(
        evaluateInPage(lyrics->page(), QStringLiteral("(function () { var a = "
                                                      "document.querySelector('%1'); return a ? "
                                                      "a.textContent : ''; })()")
                                           .arg(anchor))
            .toString(),
        QStringLiteral("Find lyrics for Nordlicht Radio - Harbour Lights"), 20000);

    // A real click on the link; the track dialog is confirmed as it stands.
    DialogAnswerer answerer;
    answerer.accept();
    QVERIFY(clickElement(lyrics, anchor));
    QTRY_VERIFY_WITH_TIMEOUT(
        evaluateInPage(lyrics->page(), QStringLiteral("document.body.innerText"))
            .toString()
            .contains(QStringLiteral("The harbour lights are burning low")),
        20000);
    QCOMPARE(answerer.answered(), 1);
    screenshot(QStringLiteral("lyrics-page"));
}

namespace {

// Answers the format dialog with the row of the given text.
DialogAnswerer::Handler chooseFormat(const QString &rowText)
{
    return DialogAnswerer::chooseRow(QStringLiteral("lwFormats"), rowText,
                                     QStringLiteral("btDownload"));
}

QByteArray sha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

} // namespace

void tst_WindowPages::downloadAVideo()
{
    const QString id = QStringLiteral("Vq3Rt8Kp1Ws");
    QTemporaryDir folder;
    send(uint(CompanionCommand::JsonCommand),
         QStringLiteral(R"({"Command":"Play","RecordingFolder":"%1","VideoID":"%2"})")
             .arg(folder.path(), id));
    QVERIFY(heardWith(uint(PlayerNotification::VideoChanged), id));
    QAction *download = window->findChild<QAction *>(QStringLiteral("actionDownload"));
    QTRY_VERIFY_WITH_TIMEOUT(window->watchPageAnalysis().videoId() == id &&
                                 window->watchPageAnalysis().hasFormats() && download->isEnabled(),
                             20000);

    // "MP4 360", and the proposed name as it stands.
    DialogAnswerer answerer;
    answerer.handle(chooseFormat(QStringLiteral("MP4 360")));
    answerer.accept();
    download->trigger();
    QCOMPARE(answerer.answered(), 2);
    // Download again while it runs shows the download page.
    QVERIFY(window->downloadPage()->isDownloading());
    download->trigger();
    QCOMPARE(window->findChild<QStackedWidget *>()->currentWidget(),
             static_cast<QWidget *>(window->downloadPage()));
    screenshot(QStringLiteral("download-page"));
    auto *status = window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    QTRY_COMPARE_WITH_TIMEOUT(
        status->text(), QStringLiteral("<a href=\"local://open_folder\">Finished</a>"), 20000);
    QCOMPARE(status->toolTip(), QStringLiteral("Click to open folder"));
    window->findChild<QStackedWidget *>()->setCurrentWidget(window->downloadPage());
    screenshot(QStringLiteral("download-finished"));

    // The whole stream, under its final name, and nothing else.
    const QStringList files = QDir(folder.path()).entryList(QDir::Files);
    QCOMPARE(files, QStringList({QStringLiteral("Velvet Orchard - Slow Tide.mp4")}));
    const QString saved = QDir(folder.path()).filePath(files.first());
    const QString served = QDir(SiteServerProcess::mediaDir()).filePath(id + "/18.mp4");
    QCOMPARE(sha256(saved), sha256(served));

    // A player reads it as the eight-second clip.
    QProcess discoverer;
    discoverer.start(QStringLiteral("gst-discoverer-1.0"), {saved});
    QVERIFY(discoverer.waitForFinished(30000));
    const QString report = QString::fromUtf8(discoverer.readAllStandardOutput());
    QVERIFY2(report.contains(QStringLiteral("Duration: 0:00:08")), qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("video")), qPrintable(report));
}

void tst_WindowPages::mp3EntryOpensConversionPage()
{
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openInBrowser");
    opened.clear();
    DialogAnswerer answerer;
    answerer.handle(chooseFormat(QStringLiteral("MP3")));
    window->findChild<QAction *>(QStringLiteral("actionDownload"))->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(answerer.answered(), 1);
    // The watch address up to its first "&", as it stands.
    QCOMPARE(opened,
             QList<QUrl>({QUrl(QStringLiteral("http://%1/sonvara/video2mp3.php?url=http://%2/"
                                              "watch?v=Vq3Rt8Kp1Ws")
                                   .arg(server.makerAddress(), server.videoAddress()))}));
}

void tst_WindowPages::logStep(const QString &step)
{
    QStringList heardNow;
    for (int i = loggedUpTo; i < companion->heard().size(); ++i) {
        heardNow << QStringLiteral("%1 %2")
                        .arg(companion->heard().at(i).first)
                        .arg(playerNotificationName(companion->heard().at(i).first));
    }
    loggedUpTo = companion->heard().size();
    qInfo().noquote() << QStringLiteral("user run: %1; title \"%2\"; the companion heard: %3")
                             .arg(step, window->windowTitle(),
                                  heardNow.isEmpty() ? QStringLiteral("nothing")
                                                     : heardNow.join(QLatin1String(", ")));
}

void tst_WindowPages::userLevelRun()
{
    auto *stack = window->findChild<QStackedWidget *>();
    auto *toolbar = window->findChild<QToolBar *>();
    const auto toolButton = [&](const char *name) {
        return toolbar->widgetForAction(window->findChild<QAction *>(QString::fromLatin1(name)));
    };
    window->activateWindow();
    loggedUpTo = companion->heard().size();

    // 1. The companion plays a video.
    const QString first = QStringLiteral("Pn4Jv8Ad0Qm");
    send(uint(CompanionCommand::PlayVideo), first);
    QVERIFY(heardWith(uint(PlayerNotification::VideoChanged), first));
    QCOMPARE(stack->currentWidget(), static_cast<QWidget *>(window->player()));
    logStep(QStringLiteral("1 the companion plays %1").arg(first));

    // 2. A top list from the search menu.
    QAction *mostViewed =
        window->findChild<QAction *>(QStringLiteral("actionSearch"))->menu()->actions().at(2);
    QCOMPARE(mostViewed->text(), QStringLiteral("Most Viewed"));
    mostViewed->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shownRows(window->searchPage()).size() > 2, 20000);
    logStep(
        QStringLiteral("2 Most Viewed shows %1 rows").arg(shownRows(window->searchPage()).size()));

    // 3. F4 to the player and back.
    QTest::keyClick(window.get(), Qt::Key_F4);
    QCOMPARE(stack->currentWidget(), static_cast<QWidget *>(window->player()));
    QTest::keyClick(window.get(), Qt::Key_F4);
    QCOMPARE(stack->currentWidget(), static_cast<QWidget *>(window->searchPage()));
    logStep(QStringLiteral("3 F4 twice: player, then the list again"));

    // 4. A mouse click on an entry of another video plays it.
    const QList<Row> rows = shownRows(window->searchPage());
    int index = 0;
    while (index < rows.size() && rows.at(index).id == first)
        ++index;
    QVERIFY(index < rows.size());
    const Row clicked = rows.at(index);
    // Marked so that the click below finds the same entry.
    evaluateInPage(
        window->searchPage()->page(),
        QStringLiteral("document.querySelectorAll('.item')[%1].id = 'clickedEntry'").arg(index));
    const QString entry = QStringLiteral("#clickedEntry");
    const QRect box = elementRect(window->searchPage()->page(), entry);
    QVERIFY2(window->searchPage()->rect().contains(box.center()),
             qPrintable(QStringLiteral("%1,%2 in %3x%4")
                            .arg(box.center().x())
                            .arg(box.center().y())
                            .arg(window->searchPage()->width())
                            .arg(window->searchPage()->height())));
    QTest::mouseMove(window->searchPage()->focusProxy(), box.center());
    QVERIFY(clickElement(window->searchPage(), entry));
    // The page hands the click over through its channel, a moment later; the video may have
    // been heard of in an earlier step, so the window's page says when the click arrived.
    QTRY_COMPARE_WITH_TIMEOUT(stack->currentWidget(), static_cast<QWidget *>(window->player()),
                              10000);
    QVERIFY(heardWith(uint(PlayerNotification::VideoChanged), clicked.id));
    QTRY_COMPARE(window->windowTitle(), clicked.title);
    logStep(QStringLiteral("4 click on \"%1\"").arg(clicked.title));

    // 5. History with Ctrl: the local history, newest first, nothing asked of the companion.
    const auto historyRequests = [this] {
        return companion->numbersHeard().count(uint(PlayerNotification::HistoryRequest));
    };
    const auto requestsBefore = historyRequests();
    QTest::mouseClick(toolButton("actionHistory"), Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE(stack->currentWidget(), static_cast<QWidget *>(window->historyPage()));
    QTRY_VERIFY_WITH_TIMEOUT(idsOf(shownRows(window->historyPage())).mid(0, 2) ==
                                 QStringList({clicked.id, first}),
                             20000);
    QCOMPARE(historyRequests(), requestsBefore);
    logStep(QStringLiteral("5 Ctrl+History lists %1")
                .arg(idsOf(shownRows(window->historyPage())).join(QLatin1Char(' '))));

    // 6. Copy the title.
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    window->findChild<QAction *>(QStringLiteral("actionCopy"))->menu()->actions().last()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), clicked.title);
    QCOMPARE(answerer.seen().last().text,
             clicked.title + QStringLiteral("\nTitle copied to clipboard"));
    logStep(QStringLiteral("6 Copy Title: the clipboard holds \"%1\"").arg(clicked.title));

    // 7. Bookmark.
    QTest::mouseClick(toolButton("actionBookmark"), Qt::LeftButton);
    QVERIFY(heardWith(uint(PlayerNotification::BookmarkVideo), clicked.id));
    QVERIFY(!window->findChild<QAction *>(QStringLiteral("actionBookmark"))->isEnabled());
    logStep(QStringLiteral("7 Bookmark"));

    // 8. A watch address dropped on the window.
    const QString dropped = QStringLiteral("mS5oLb0Gx4E");
    QMimeData data;
    data.setUrls({QUrl(
        QStringLiteral("http://%1/watch?v=%2&feature=share").arg(server.videoAddress(), dropped))});
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<DropTarget *>(window.get())->dropEvent(&drop);
    QVERIFY(heardWith(uint(PlayerNotification::VideoChanged), dropped));
    logStep(QStringLiteral("8 drop of the watch address of %1").arg(dropped));

    // 9. Download a clip of it.
    QTemporaryDir folder;
    send(uint(CompanionCommand::SetRecordingFolder), folder.path());
    QTRY_COMPARE(window->recordingFolderPath(), folder.path());
    QAction *download = window->findChild<QAction *>(QStringLiteral("actionDownload"));
    QTRY_VERIFY_WITH_TIMEOUT(window->watchPageAnalysis().videoId() == dropped &&
                                 window->watchPageAnalysis().hasFormats() && download->isEnabled(),
                             20000);
    answerer.handle(chooseFormat(QStringLiteral("MP4 360")));
    answerer.accept();
    QSignalSpy finished(window->downloadPage(), &VideoDownloadPanel::signal_downloadFinished);
    QTest::mouseClick(toolButton("actionDownload"), Qt::LeftButton);
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblStatus"))->text(),
             QStringLiteral("<a href=\"local://open_folder\">Finished</a>"));
    const QStringList files = QDir(folder.path()).entryList(QDir::Files);
    QCOMPARE(files, QStringList({QStringLiteral("Mira Solberg - Glass Mountains.mp4")}));
    logStep(QStringLiteral("9 Download MP4 360: %1").arg(files.join(QLatin1Char(' '))));

    // 10. Close.
    QVERIFY(window->close());
    QVERIFY(heardWith(uint(PlayerNotification::Closing), QString()));
    logStep(QStringLiteral("10 close"));
}

QTEST_MAIN(tst_WindowPages)
#include "tst_windowpages.moc"
