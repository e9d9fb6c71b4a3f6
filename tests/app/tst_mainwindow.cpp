#include "apptranslations.h"
#include "companionlink.h"
#include "companionnotifier.h"
#include "dialoganswerer.h"
#include "download/downloaditem.h"
#include "download/videodownloadpanel.h"
#include "fakehttpserver.h"
#include "ipcsocket.h"
#include "json.h"
#include "lyrics/lyricspanel.h"
#include "mainwindow.h"
#include "pages/videolistbrowser.h"
#include "pages/videoplayerbrowser.h"
#include "pagescript.h"
#include "stalledstream.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <httplib.h>

#include <atomic>

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void frameObjects_data();
    void frameObjects();
    void initialState();
    void toolbar();
    void firstWindowShowsEveryToolbarButton_data();
    void firstWindowShowsEveryToolbarButton();
    void toolbarOverflowClosesOnEsc();
    void menus();
    void commands_data();
    void commands();
    void jsonPlaySetsFolderBeforeLoading();
    void jsonPlayWithoutVideoLoadsPreviousAgain();
    void destructionTellsCompanionAndSavesGeometry();
    void videoIdFromUrl_data();
    void videoIdFromUrl();
    void trackInfoFromTitle_data();
    void trackInfoFromTitle();
    void playerReadyReportedOnce();
    void endOfVideoSendsPausedThenNextTrack();
    void newVideoDropsPendingNextTrack();
    void readyToPlayEnablesPlayOnly();
    void sameVideoReportedOnce();
    void historyKeepsEachVideoOnceNewestLast();
    void recordWithoutIdChangesTitleOnly();
    void titleWhileAVideoLoads();
    void errorsSetTitleAndNotAllowedReachesCompanion();
    void failedVideoShowsThePlayerPage_data();
    void failedVideoShowsThePlayerPage();
    void unreachableSiteIsSaidAndTriedAgain();
    void statesDrivePlayButtonAndMinimize();
    void volumeIsStored();
    void barInTitleReachesCompanion();
    void searchMenuEntryFillsSearchBox();
    void pageRules_data();
    void pageRules();
    void f4TogglesPlayerAndPreviousPage();
    void historyFromCompanionOrLocal();
    void companionHistoryFillsThePageHeadedHistory_data();
    void companionHistoryFillsThePageHeadedHistory();
    void companionSearchShowsSearchPage();
    void relatedWithoutVideoSaysSo();
    void lyricsPageFollowsVideo();
    void lyricsStatusStaysInItsCorner_data();
    void lyricsStatusStaysInItsCorner();
    void downloadWithoutVideoSaysSo();
    void copyUrlWithCtrlDownloads();
    void closeDuringDownloadAsks_data();
    void closeDuringDownloadAsks();
    void downloadKeepsTheVideoOfTheDialog();
    void mp3KeepsTheVideoOfTheDialog();
    void finishedOpensTheFolderWrittenTo();
    void downloadPageShowsTheVideoBeingSaved();
    void failedWatchPageFetchedAgain();
    void lyricsLinkNamesTheCleanedTrack();
    void lyricsSearchAsksForTheTrackOfTheLink();
    void otherPagesTextIsNoTrack();
    void correctedTrackNamedByTheLink();
    // Last: it runs the application's event loop to its end.
    void quitEndsEventLoopWithZero();

public slots:
    // Stands in for the desktop's browser and file manager.
    void openUrl(const QUrl &url) { opened.append(url); }

private:
    void sendToWindow(uint cmd, const QString &text);
    // The page reports the watch address of the video id, then its record.
    void showVideo(const QString &id, const QString &title);
    // Waits until the watch page of the video has been analysed with its stream of itag 18.
    bool analysed(const QString &id) const;
    // Clicks the lyrics page's search link and returns the track its dialog shows (rejected).
    QString trackAskedFor();
    QList<QPair<uint, QString>> heardBy(QSignalSpy &spy) const;
    QString settingsFolder() const;
    QWidget *currentPage() const;
    QAction *action(const char *name) const;

    // Stands in for the maker's pages: an empty page for each.
    FakeHttpServer pages;
    // Stands in for the video site: a watch page with one stream (itag 18) per video, and the
    // streams, each of which holds its address.
    FakeHttpServer site;
    std::atomic<int> watchPagesRequested{0};
    std::atomic<int> watchPagesToFail{0};
    QList<QUrl> opened;
    MainWindow *window = nullptr;
    QT_EXT::IPCSocket *companion = nullptr;
    QScopedPointer<QSignalSpy> startupHeard;
    QString titleAfterLoad;
    bool playEnabledAtStart = true;
    QString titleAtStart;
};

QString tst_MainWindow::settingsFolder() const
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
}

void tst_MainWindow::initTestCase()
{
    QDir(settingsFolder()).removeRecursively();
    QSettings ini(QDir(settingsFolder()).filePath(QStringLiteral("MiniVideoPlayerSV.ini")),
                  QSettings::IniFormat);
    pages.setHandler([](const httplib::Request &req, httplib::Response &res) {
        // The list page is the real one, so that what it shows can be read; its list service
        // answers nothing.
        const QString name = QString::fromStdString(req.path).section(QLatin1Char('/'), -1);
        if (req.path.rfind("/sonvara/yt_videos.", 0) == 0) {
            QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../web/sonvara/") + name);
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray body = file.readAll();
                const char *type = name.endsWith(QLatin1String(".js"))    ? "text/javascript"
                                   : name.endsWith(QLatin1String(".css")) ? "text/css"
                                                                          : "text/html";
                res.set_content(body.toStdString(), type);
                return;
            }
        }
        res.set_content("<html><body></body></html>", "text/html");
    });
    ini.setValue(QStringLiteral("hosts/maker"), QStringLiteral("127.0.0.1:%1").arg(pages.port()));
    ini.setValue(QStringLiteral("hosts/lyrics_wiki"),
                 QStringLiteral("http://127.0.0.1:%1/lyricswiki/").arg(pages.port()));
    site.setHandler([this](const httplib::Request &req, httplib::Response &res) {
        if (req.path != "/watch") {
            res.set_content("stream at " + req.path, "video/mp4");
            return;
        }
        ++watchPagesRequested;
        if (watchPagesToFail > 0) {
            --watchPagesToFail;
            res.status = 503;
            return;
        }
        res.set_content("<html><body><script>var ytplayer = {\"args\": "
                        "{\"url_encoded_fmt_stream_map\": \"url=http://127.0.0.1:" +
                            std::to_string(site.port()) + "/stream/" + req.get_param_value("v") +
                            ".mp4?itag=18\"}};</script></body></html>",
                        "text/html");
    });
    ini.setValue(QStringLiteral("hosts/video_site"),
                 QStringLiteral("127.0.0.1:%1").arg(site.port()));
}

void tst_MainWindow::cleanupTestCase()
{
    QDir(settingsFolder()).removeRecursively();
}

void tst_MainWindow::init()
{
    watchPagesRequested = 0;
    watchPagesToFail = 0;
    opened.clear();
    companion = new QT_EXT::IPCSocket(nullptr, companionServerName);
    QVERIFY(companion->isListening());
    startupHeard.reset(new QSignalSpy(companion, &QT_EXT::IPCSocket::signal_commandReceived));
    window = new MainWindow;
    auto *btPlay = window->findChild<QPushButton *>(QStringLiteral("btPlay"));
    playEnabledAtStart = btPlay->isEnabled();
    titleAtStart = window->windowTitle();
    // The player page's load enables Play; after it the title no longer follows the load.
    QTRY_VERIFY_WITH_TIMEOUT(btPlay->isEnabled(), 10000);
    // The loaded page also counts as the player's first readiness.
    QTRY_COMPARE(startupHeard->count(), 1);
    titleAfterLoad = window->windowTitle();
    window->setWindowTitle(QStringLiteral("Loading..."));
}

void tst_MainWindow::cleanup()
{
    delete window;
    window = nullptr;
    delete companion;
    companion = nullptr;
}

void tst_MainWindow::sendToWindow(uint cmd, const QString &text)
{
    // The window's slot is connected directly to its endpoint, so the command has been
    // handled once the endpoint reported it.
    auto *endpoint = window->findChild<QT_EXT::IPCSocket *>();
    QVERIFY(endpoint);
    QSignalSpy handled(endpoint, &QT_EXT::IPCSocket::signal_commandReceived);
    QT_EXT::IPCSocket sender(nullptr, QString());
    QVERIFY(sender.sendCommand(cmd, text, playerServerName));
    QVERIFY(handled.wait());
}

void tst_MainWindow::frameObjects_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("className");

    const std::pair<const char *, const char *> objects[] = {
        {"centralWidget", "QWidget"},        {"gridLayout_3", "QGridLayout"},
        {"gridLayout_2", "QGridLayout"},     {"lblHeading", "QLabel"},
        {"teSearch", "QLineEdit"},           {"btSearch", "QPushButton"},
        {"stackedWidget", "QStackedWidget"}, {"gridLayout", "QGridLayout"},
        {"btPlay", "QPushButton"},           {"lblStatus", "QLabel"},
        {"btStop", "QPushButton"},           {"btNext", "QPushButton"},
        {"mainToolBar", "QToolBar"},
    };
    for (const auto &[name, className] : objects)
        QTest::newRow(name) << QString::fromLatin1(name) << QByteArray(className);
}

void tst_MainWindow::frameObjects()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, className);
    QObject *object = window->findChild<QObject *>(name);
    QVERIFY2(object, qPrintable(name));
    QCOMPARE(QByteArray(object->metaObject()->className()), className);
}

void tst_MainWindow::initialState()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(titleAtStart, QStringLiteral("Loading..."));
    // The form's 586 x 414, grown in height until every toolbar button shows.
    QCOMPARE(window->width(), 586);
    QVERIFY(window->height() >= 414);
    const Qt::WindowFlags flags = window->windowFlags();
    for (Qt::WindowType flag :
         {Qt::CustomizeWindowHint, Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint,
          Qt::WindowCloseButtonHint, Qt::WindowStaysOnTopHint})
        QVERIFY(flags.testFlag(flag));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(window->acceptDrops());

    auto *teSearch = window->findChild<QLineEdit *>(QStringLiteral("teSearch"));
    auto *btPlay = window->findChild<QPushButton *>(QStringLiteral("btPlay"));
    auto *btStop = window->findChild<QPushButton *>(QStringLiteral("btStop"));
    auto *btNext = window->findChild<QPushButton *>(QStringLiteral("btNext"));
    auto *lblStatus = window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    auto *lblHeading = window->findChild<QLabel *>(QStringLiteral("lblHeading"));
    auto *stack = window->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    QVERIFY(!teSearch->isEnabled());
    QCOMPARE(teSearch->minimumWidth(), 150);
    QCOMPARE(teSearch->maximumSize(), QSize(1024, 16777215));
    QVERIFY(!playEnabledAtStart);
    QCOMPARE(btPlay->text(), QStringLiteral("Play"));
    QCOMPARE(btPlay->maximumWidth(), 64);
    QVERIFY(btStop->isHidden());
    QCOMPARE(btStop->toolTip(), QStringLiteral("Stop download"));
    QCOMPARE(btStop->maximumWidth(), 24);
    QVERIFY(btStop->text().isEmpty());
    QCOMPARE(btNext->toolTip(), QStringLiteral("Next track"));
    QVERIFY(!btNext->icon().isNull());
    QVERIFY(lblStatus->text().isEmpty());
    QVERIFY(!lblStatus->openExternalLinks());
    QCOMPARE(lblStatus->minimumWidth(), 200);
    QVERIFY(lblHeading->text().isEmpty());
    QCOMPARE(stack->maximumSize(), QSize(1024, 1024));
    QVERIFY(!stack->findChild<QWidget *>(QStringLiteral("page")));
    QVERIFY(!stack->findChild<QWidget *>(QStringLiteral("page_2")));
    QCOMPARE(window->findChild<QPushButton *>(QStringLiteral("btSearch"))->text(),
             QStringLiteral("Search"));
}

void tst_MainWindow::toolbar()
{
    auto *toolbar = window->findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QCOMPARE(window->toolBarArea(toolbar), Qt::RightToolBarArea);
    QCOMPARE(toolbar->iconSize(), QSize(16, 16));
    QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

    const QStringList expected = {
        QStringLiteral("actionPlayer"), QStringLiteral("actionRelated"),
        QStringLiteral("actionHistory"), QStringLiteral("actionSearch"),
        QStringLiteral("actionBookmark"), QStringLiteral("actionCopy"),
        QStringLiteral("actionBrowser"), QStringLiteral("actionDownload"),
        QStringLiteral("actionMinimize_to_tray"),
        // Not among the nine, but after them so that the lyrics page can be found.
        QStringLiteral("actionLyrics")};
    QStringList onToolbar;
    for (QAction *action : toolbar->actions()) {
        onToolbar << action->objectName();
        QVERIFY2(!action->isCheckable(), qPrintable(action->objectName()));
        QVERIFY2(!action->icon().isNull(), qPrintable(action->objectName()));
    }
    QCOMPARE(onToolbar, expected);

    auto *lyrics = window->findChild<QAction *>(QStringLiteral("actionLyrics"));
    QVERIFY(lyrics);
    QVERIFY(!lyrics->isCheckable());
    QCOMPARE(lyrics->text(), QStringLiteral("Lyrics"));
    QCOMPARE(lyrics->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));

    const auto action = [this](const char *name) {
        return window->findChild<QAction *>(QString::fromLatin1(name));
    };
    QCOMPARE(action("actionPlayer")->toolTip(), QStringLiteral("Show video player"));
    QCOMPARE(action("actionBookmark")->toolTip(), QStringLiteral("Bookmark current video"));
    QCOMPARE(action("actionCopy")->toolTip(),
             QStringLiteral("Copy current video URL to clipboard"));
    QCOMPARE(action("actionBrowser")->toolTip(), QStringLiteral("Open in default browser"));
    QCOMPARE(action("actionDownload")->text(), QStringLiteral("Download"));
    QCOMPARE(action("actionDownload")->toolTip(), QStringLiteral("Save a copy in various formats"));
    QCOMPARE(action("actionMinimize_to_tray")->text(), QStringLiteral("Minimize"));
    QCOMPARE(action("actionMinimize_to_tray")->toolTip(), QStringLiteral("Minimize to tray"));
}

void tst_MainWindow::firstWindowShowsEveryToolbarButton_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << QString();
    QTest::newRow("German") << QStringLiteral("de");
}

void tst_MainWindow::firstWindowShowsEveryToolbarButton()
{
    QFETCH(QString, language);
    // A first start: no geometry stored yet.
    delete window;
    window = nullptr;
    QSettings().remove(QStringLiteral("WindowMainWindow"));
    if (!language.isEmpty())
        QCOMPARE(installTranslations(QLocale(language)), language);
    window = new MainWindow;
    const auto removeTranslations = qScopeGuard([] {
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    auto *toolbar = window->findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QCOMPARE(toolbar->actions().size(), 10);
    for (QAction *action : toolbar->actions()) {
        QWidget *button = toolbar->widgetForAction(action);
        QVERIFY2(button && button->isVisible(), qPrintable(action->text()));
        QVERIFY2(toolbar->rect().contains(button->geometry()), qPrintable(action->text()));
    }
    auto *overflow = toolbar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
    QVERIFY(overflow);
    QVERIFY(!overflow->isVisible());
    // The form's width stays; only the height grows as far as the buttons need.
    QCOMPARE(window->width(), 586);
    QVERIFY(window->height() >= 414);
}

void tst_MainWindow::toolbarOverflowClosesOnEsc()
{
    // A window made shorter than the buttons need shows the rest behind the overflow arrow.
    window->resize(586, 200);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto *toolbar = window->findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    auto *overflow = toolbar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
    QTRY_VERIFY(overflow->isVisible());
    QWidget *lastButton = toolbar->widgetForAction(toolbar->actions().last());
    QVERIFY(!lastButton->isVisible());
    overflow->click();
    QTRY_VERIFY(lastButton->isVisible());
    QVERIFY(overflow->isChecked());
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(!overflow->isChecked());
    QTRY_VERIFY(!lastButton->isVisible());
    // The short window is not the one later windows of this test start with.
    delete window;
    window = nullptr;
    QSettings().remove(QStringLiteral("WindowMainWindow"));
}

void tst_MainWindow::menus()
{
    auto *toolbar = window->findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    auto *copy = window->findChild<QAction *>(QStringLiteral("actionCopy"));
    auto *search = window->findChild<QAction *>(QStringLiteral("actionSearch"));

    auto *copyButton = qobject_cast<QToolButton *>(toolbar->widgetForAction(copy));
    QCOMPARE(copyButton->popupMode(), QToolButton::InstantPopup);
    QStringList copyEntries;
    for (QAction *entry : copy->menu()->actions())
        copyEntries << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
    QCOMPARE(copyEntries,
             QStringList({QStringLiteral("URL"), QStringLiteral("-"), QStringLiteral("Title")}));

    auto *searchButton = qobject_cast<QToolButton *>(toolbar->widgetForAction(search));
    QCOMPARE(searchButton->popupMode(), QToolButton::MenuButtonPopup);
    QStringList searchEntries;
    for (QAction *entry : search->menu()->actions()) {
        searchEntries << (entry->isSeparator()
                              ? QStringLiteral("-")
                              : entry->text() + QLatin1Char('=') + entry->data().toString());
    }
    QCOMPARE(searchEntries,
             QStringList({QStringLiteral("Most Popular=1"), QStringLiteral("Most Recent=3"),
                          QStringLiteral("Most Viewed=2"), QStringLiteral("-"),
                          QStringLiteral("Top Fav=5"), QStringLiteral("Top Rated=4")}));
}

void tst_MainWindow::commands_data()
{
    QTest::addColumn<uint>("cmd");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("requested");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("bookmarkEnabled");

    QTest::newRow("play video") << 3u << "abc"
                                << "Loading player..."
                                << "abc"
                                << "" << true;
    QTest::newRow("recording folder") << 7u << "/tmp/videos"
                                      << "Loading..."
                                      << ""
                                      << "/tmp/videos" << true;
    QTest::newRow("empty recording folder") << 7u << ""
                                            << "Loading..."
                                            << ""
                                            << "" << true;
    QTest::newRow("ignored text") << 11u << "anything"
                                  << "Loading..."
                                  << ""
                                  << "" << true;
    QTest::newRow("bookmark state yes") << 25u << "yes"
                                        << "Loading..."
                                        << ""
                                        << "" << false;
    QTest::newRow("bookmark state other") << 25u << "no"
                                          << "Loading..."
                                          << ""
                                          << "" << true;
    QTest::newRow("unknown number") << 99u << "abc"
                                    << "Loading..."
                                    << ""
                                    << "" << true;
    QTest::newRow("json play") << 20u << R"({"Command":"Play","VideoID":"xyz"})"
                               << "Loading player..."
                               << "xyz"
                               << "" << true;
    QTest::newRow("json other command") << 20u << R"({"Command":"play","VideoID":"xyz"})"
                                        << "Loading..."
                                        << ""
                                        << "" << true;
    QTest::newRow("json broken") << 20u << "{\"Command\":"
                                 << "Loading..."
                                 << ""
                                 << "" << true;
}

void tst_MainWindow::commands()
{
    QFETCH(uint, cmd);
    QFETCH(QString, payload);
    QFETCH(QString, title);
    QFETCH(QString, requested);
    QFETCH(QString, folder);
    QFETCH(bool, bookmarkEnabled);

    sendToWindow(cmd, payload);
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(window->requestedVideo(), requested);
    QCOMPARE(window->recordingFolderPath(), folder);
    QCOMPARE(window->findChild<QAction *>(QStringLiteral("actionBookmark"))->isEnabled(),
             bookmarkEnabled);
}

void tst_MainWindow::jsonPlaySetsFolderBeforeLoading()
{
    sendToWindow(7, QStringLiteral("/old"));
    sendToWindow(20, QStringLiteral(R"({"VideoID":"v1","Command":"Play","RecordingFolder":"/new",)"
                                    R"("BookmarkTitle":"ignored"})"));
    QCOMPARE(window->recordingFolderPath(), QStringLiteral("/new"));
    QCOMPARE(window->requestedVideo(), QStringLiteral("v1"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Loading player..."));
}

void tst_MainWindow::jsonPlayWithoutVideoLoadsPreviousAgain()
{
    sendToWindow(3, QStringLiteral("first"));
    window->setWindowTitle(QStringLiteral("Something else"));
    sendToWindow(20, QStringLiteral(R"({"Command":"Play"})"));
    QCOMPARE(window->requestedVideo(), QStringLiteral("first"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Loading player..."));
}

void tst_MainWindow::quitEndsEventLoopWithZero()
{
    QT_EXT::IPCSocket sender(nullptr, QString());
    QTimer::singleShot(0, this,
                       [&sender] { QVERIFY(sender.sendCommand(2, QString(), playerServerName)); });
    // A guard against a Quit that never arrives: it would end the loop with another code.
    QTimer::singleShot(10000, this, [] { QApplication::exit(42); });
    QCOMPARE(QApplication::exec(), 0);
}

void tst_MainWindow::destructionTellsCompanionAndSavesGeometry()
{
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    window->setGeometry(40, 50, 600, 420);
    delete window;
    window = nullptr;
    QTRY_COMPARE(heard.count(), 1);
    QCOMPARE(heard.at(0).at(0).toUInt(), uint(PlayerNotification::Closing));
    QVERIFY(heard.at(0).at(1).toString().isEmpty());

    const QString ini = QDir(settingsFolder()).filePath(QStringLiteral("MiniVideoPlayerSV.ini"));
    QVERIFY(QFile::exists(ini));
    window = new MainWindow;
    QCOMPARE(window->size(), QSize(600, 420));
}

QList<QPair<uint, QString>> tst_MainWindow::heardBy(QSignalSpy &spy) const
{
    QList<QPair<uint, QString>> heard;
    for (const QList<QVariant> &args : spy)
        heard.append({args.at(0).toUInt(), args.at(1).toString()});
    return heard;
}

namespace {

const QString recordA = QStringLiteral(R"({"id":"a","url":"u","title":"Artist - A"})");
const QString recordB = QStringLiteral(R"({"id":"b","title":"Artist - B"})");

} // namespace

void tst_MainWindow::videoIdFromUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("id");

    QTest::newRow("watch address") << "http://h/watch?v=abc&feature=player_embedded"
                                   << "abc";
    QTest::newRow("id at the end") << "http://h/watch?v=abc"
                                   << "abc";
    QTest::newRow("upper-case key") << "http://h/watch?V=abc&x=1"
                                    << "abc";
    QTest::newRow("v= not first") << "http://h/watch?feature=x&v=def&t=1"
                                  << "def";
    QTest::newRow("no v=") << "http://h/embed/abc&x=1"
                           << "http://h/embed/abc";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_MainWindow::videoIdFromUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, id);
    QCOMPARE(MainWindow::videoIdFromUrl(url), id);
}

void tst_MainWindow::trackInfoFromTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("track");

    QTest::newRow("live removed") << "Artist - Song (Live)"
                                  << "Artist - Song";
    QTest::newRow("colon") << "Artist: Song"
                           << "Artist - Song";
    QTest::newRow("no blank after the dash") << "Artist-Song"
                                             << "Artist";
    QTest::newRow("dash inside the artist") << "AC-DC - Back"
                                            << "AC";
    QTest::newRow("tildes") << "~Song~"
                            << "Song";
    QTest::newRow("other letter case keeps the word") << "Artist - Song (LIVE)"
                                                      << "Artist - Song LIVE";
    QTest::newRow("no separator") << "  Just a title (live) "
                                  << "Just a title";
}

void tst_MainWindow::trackInfoFromTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, track);
    QCOMPARE(MainWindow::trackInfoFromTitle(title), track);
}

void tst_MainWindow::playerReadyReportedOnce()
{
    QCOMPARE(titleAfterLoad, QStringLiteral("Ready"));
    QCOMPARE(heardBy(*startupHeard), (QList<QPair<uint, QString>>{{23u, QString()}}));
    window->slot_browserReady();
    window->slot_browserReady();
    QCOMPARE(window->windowTitle(), QStringLiteral("Loading..."));
    // A new video is reported a second later: a second PlayerReady would have come first.
    window->slot_videoChanged(recordA);
    QTRY_COMPARE(startupHeard->count(), 2);
    QCOMPARE(heardBy(*startupHeard).at(1).first, uint(PlayerNotification::VideoChanged));
}

void tst_MainWindow::endOfVideoSendsPausedThenNextTrack()
{
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    window->slot_videoChanged(recordA);
    QTRY_COMPARE(heard.count(), 1);
    window->slot_NotifyServer(uint(PageNotice::VideoEnded));
    // The next video shown is reported a second later: NextTrack, due two seconds after the
    // end, comes after it.
    window->slot_videoChanged(recordB);
    QTRY_COMPARE_WITH_TIMEOUT(heard.count(), 4, 5000);
    QCOMPARE(heardBy(heard),
             (QList<QPair<uint, QString>>{{uint(PlayerNotification::VideoChanged), recordA},
                                          {uint(PlayerNotification::VideoPaused), recordA},
                                          {uint(PlayerNotification::VideoChanged), recordB},
                                          {uint(PlayerNotification::NextTrack), QString()}}));
}

void tst_MainWindow::newVideoDropsPendingNextTrack()
{
    window->slot_videoChanged(recordA);
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    window->slot_NotifyServer(uint(PageNotice::VideoEnded));
    // The companion starts another video before NextTrack is due; that video shows a little
    // later and its VideoChanged comes after the moment the NextTrack would have come.
    sendToWindow(uint(CompanionCommand::PlayVideo), QStringLiteral("b"));
    QTimer::singleShot(CompanionNotifier::nextTrackDelayMs / 2, window,
                       [this] { window->slot_videoChanged(recordB); });
    QTRY_VERIFY_WITH_TIMEOUT(heardBy(heard).contains(qMakePair(14u, recordB)), 5000);
    QList<uint> numbers;
    for (const auto &[cmd, payload] : heardBy(heard))
        numbers << cmd;
    // 14 of the first video comes a second after it showed; no 24 at all.
    QCOMPARE(numbers, (QList<uint>{4u, 14u, 14u}));
}

void tst_MainWindow::readyToPlayEnablesPlayOnly()
{
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    auto *btPlay = window->findChild<QPushButton *>(QStringLiteral("btPlay"));
    btPlay->setEnabled(false);
    window->slot_NotifyServer(uint(PageNotice::PageLoaded));
    QVERIFY(btPlay->isEnabled());
    window->slot_NotifyServer(uint(PlayerNotification::VideoPlaying));
    QTRY_COMPARE(heard.count(), 1);
    QCOMPARE(heardBy(heard).at(0), qMakePair(uint(PlayerNotification::VideoPlaying), QString()));
}

void tst_MainWindow::sameVideoReportedOnce()
{
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    window->slot_videoChanged(recordA);
    QCOMPARE(window->windowTitle(), QStringLiteral("Artist - A"));
    window->slot_videoChanged(recordA);
    // Same id, other text: not a new video.
    window->slot_videoChanged(QStringLiteral(R"({"id":"a","title":"Renamed"})"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Artist - A"));
    QTRY_COMPARE(heard.count(), 1);
    // Another video is reported as late again: a repeated report of the first would have come
    // before it.
    window->slot_videoChanged(recordB);
    QTRY_COMPARE(heard.count(), 2);
    QCOMPARE(heardBy(heard), (QList<QPair<uint, QString>>{{14u, recordA}, {14u, recordB}}));
    QCOMPARE(window->history().size(), 2);
}

void tst_MainWindow::historyKeepsEachVideoOnceNewestLast()
{
    window->slot_videoChanged(recordA);
    window->slot_videoChanged(recordB);
    window->slot_videoChanged(recordA);
    QStringList ids;
    for (const auto &record : window->history())
        ids << record->id();
    QCOMPARE(ids, QStringList({QStringLiteral("b"), QStringLiteral("a")}));
}

void tst_MainWindow::recordWithoutIdChangesTitleOnly()
{
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    window->slot_videoChanged(QStringLiteral(R"({"title":"No id"})"));
    QCOMPARE(window->windowTitle(), QStringLiteral("No video information found"));
    QVERIFY(window->history().isEmpty());
    // Only the video reported afterwards reaches the companion.
    window->slot_videoChanged(recordA);
    QTRY_COMPARE(heard.count(), 1);
    QCOMPARE(heardBy(heard), (QList<QPair<uint, QString>>{{14u, recordA}}));
}

void tst_MainWindow::titleWhileAVideoLoads()
{
    sendToWindow(uint(CompanionCommand::PlayVideo), QStringLiteral("u1"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Loading player..."));
    // The page's states before its record leave the title as it is.
    window->player()->slot_PlayerStateChange(VideoPlayerBrowser::Buffering);
    QCOMPARE(window->windowTitle(), QStringLiteral("Loading player..."));
    // A record without a title names the video by its id: an empty title would read as the
    // program's name.
    window->slot_videoChanged(QStringLiteral(R"({"id":"u1","title":""})"));
    QCOMPARE(window->windowTitle(), QStringLiteral("u1"));
    window->slot_videoChanged(QStringLiteral(R"({"id":"u2","title":"Artist - Named"})"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Artist - Named"));
}

void tst_MainWindow::errorsSetTitleAndNotAllowedReachesCompanion()
{
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    window->slot_Error(VideoPlayerBrowser::VideoNotFound, QStringLiteral("Video not found"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Video not found"));
    window->slot_Error(VideoPlayerBrowser::VideoNotAllowed, QStringLiteral("Video not allowed"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Video not allowed"));
    // The video site's player says the same with 150.
    window->slot_Error(VideoPlayerBrowser::VideoNotAllowedToo, QStringLiteral("Not allowed too"));
    // Notifications are sent at once, in order: the playing notice closes the list.
    window->slot_NotifyServer(uint(PlayerNotification::VideoPlaying));
    QTRY_COMPARE(heard.count(), 3);
    QCOMPARE(heardBy(heard),
             (QList<QPair<uint, QString>>{{26u, QStringLiteral("Video not allowed")},
                                          {26u, QStringLiteral("Not allowed too")},
                                          {3u, QString()}}));
}

void tst_MainWindow::failedVideoShowsThePlayerPage_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("title");
    // What the companion hears for the error, before the sentinel.
    QTest::addColumn<QStringList>("heard");

    QTest::newRow("unknown id") << int(VideoPlayerBrowser::VideoNotFound)
                                << QStringLiteral("Video not found") << QStringList();
    QTest::newRow("malformed id") << int(VideoPlayerBrowser::InvalidVideoId)
                                  << QStringLiteral("Invalid video id") << QStringList();
    QTest::newRow("not allowed") << int(VideoPlayerBrowser::VideoNotAllowed)
                                 << QStringLiteral("Video not allowed")
                                 << QStringList{QStringLiteral("26|Video not allowed")};
    // A code of the page that has no text of its own still says that the video failed.
    QTest::newRow("code without a text")
        << 5 << QStringLiteral("The video cannot be played") << QStringList();
}

void tst_MainWindow::failedVideoShowsThePlayerPage()
{
    QFETCH(int, error);
    QFETCH(QString, title);
    QFETCH(QStringList, heard);

    window->show();
    action("actionRelated")->trigger();
    QSignalSpy companionHeard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    sendToWindow(uint(CompanionCommand::PlayVideo), QStringLiteral("Zz9Zz9Zz9Zz"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Loading player..."));
    // The page reports the failure as it does for a video the site does not know.
    window->player()->slot_PlayerError(error);
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->player()));
    QVERIFY(window->player()->isVisible());
    QCOMPARE(window->windowTitle(), title);
    // Notifications go out in order: the playing notice closes the list.
    window->slot_NotifyServer(uint(PlayerNotification::VideoPlaying));
    QTRY_COMPARE(companionHeard.count(), heard.size() + 1);
    QStringList heardTexts;
    for (const auto &[cmd, payload] : heardBy(companionHeard))
        heardTexts << QStringLiteral("%1|%2").arg(cmd).arg(payload);
    QCOMPARE(heardTexts, heard + QStringList{QStringLiteral("3|")});
    // The video site and the maker's host answer: the page's word stands.
    QCOMPARE(window->windowTitle(), title);
}

void tst_MainWindow::unreachableSiteIsSaidAndTriedAgain()
{
    // A video site that went away: its port answers no more.
    QTcpServer stoppedSite;
    QVERIFY(stoppedSite.listen(QHostAddress::LocalHost));
    const quint16 port = stoppedSite.serverPort();
    stoppedSite.close();
    const QString siteHost = QSettings().value(QStringLiteral("hosts/video_site")).toString();
    const auto restoreHost = qScopeGuard(
        [siteHost] { QSettings().setValue(QStringLiteral("hosts/video_site"), siteHost); });
    QSettings().setValue(QStringLiteral("hosts/video_site"),
                         QStringLiteral("127.0.0.1:%1").arg(port));

    sendToWindow(uint(CompanionCommand::PlayVideo), QStringLiteral("hLx7Qm2Ta9c"));
    // The page says what it says for a video the site does not know.
    window->player()->slot_PlayerError(VideoPlayerBrowser::VideoNotFound);
    const QString saying = QStringLiteral("Cannot reach 127.0.0.1:%1, trying again in").arg(port);
    QTRY_VERIFY2(window->windowTitle().startsWith(saying), qPrintable(window->windowTitle()));
    // Still away at the first retry: said again, a little later.
    QTRY_VERIFY_WITH_TIMEOUT(window->windowTitle().endsWith(QStringLiteral(" 2 s")), 5000);

    // The site answers again: the video is loaded again.
    QVERIFY(stoppedSite.listen(QHostAddress::LocalHost, port));
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Loading player..."), 5000);
    QCOMPARE(window->requestedVideo(), QStringLiteral("hLx7Qm2Ta9c"));
}

void tst_MainWindow::statesDrivePlayButtonAndMinimize()
{
    auto *btPlay = window->findChild<QPushButton *>(QStringLiteral("btPlay"));
    window->show();
    window->slot_statusChange(VideoPlayerBrowser::Playing, QString());
    QCOMPARE(btPlay->text(), QStringLiteral("Pause"));
    window->slot_statusChange(VideoPlayerBrowser::Paused, QString());
    QCOMPARE(btPlay->text(), QStringLiteral("Play"));
    window->slot_statusChange(VideoPlayerBrowser::Buffering, QString());
    QCOMPARE(btPlay->text(), QStringLiteral("Pause"));
    QVERIFY(!window->isMinimized());
    window->slot_statusChange(VideoPlayerBrowser::Ended, QString());
    QCOMPARE(btPlay->text(), QStringLiteral("Play"));
    QVERIFY(window->isMinimized());
}

void tst_MainWindow::volumeIsStored()
{
    window->slot_volumeChanged(55);
    QCOMPARE(QSettings().value(QStringLiteral("AppVolume")).toInt(), 55);
}

void tst_MainWindow::barInTitleReachesCompanion()
{
    // The companion drops a message with a second "|": the record must arrive whole and read
    // the same.
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    const QString record = QStringLiteral(R"({"id":"c","title":"Song | Live"})");
    window->slot_videoChanged(record);
    window->slot_NotifyServer(uint(PlayerNotification::VideoPlaying));
    QTRY_COMPARE(heard.count(), 2);
    for (const auto &[cmd, payload] : heardBy(heard)) {
        const QVariantMap read = QT_EXT::parseJson(payload).toMap();
        QCOMPARE(read.value(QStringLiteral("title")).toString(), QStringLiteral("Song | Live"));
    }
    QCOMPARE(heardBy(heard).at(0).first, uint(PlayerNotification::VideoPlaying));
    QCOMPARE(heardBy(heard).at(1).first, uint(PlayerNotification::VideoChanged));
}

void tst_MainWindow::searchMenuEntryFillsSearchBox()
{
    auto *search = window->findChild<QAction *>(QStringLiteral("actionSearch"));
    auto *teSearch = window->findChild<QLineEdit *>(QStringLiteral("teSearch"));
    const QList<QAction *> entries = search->menu()->actions();
    QAction *topRated = entries.last();
    QCOMPARE(topRated->text(), QStringLiteral("Top Rated"));
    topRated->trigger();
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->searchPage()));
    QCOMPARE(teSearch->text(), QStringLiteral("Top Rated"));
    QCOMPARE(teSearch->toolTip(), QStringLiteral("Top Rated"));
    QCOMPARE(teSearch->cursorPosition(), 0);
    // The separator carries no category: nothing happens.
    teSearch->clear();
    entries.at(3)->trigger();
    QVERIFY(entries.at(3)->isSeparator());
    QVERIFY(teSearch->text().isEmpty());
}

QWidget *tst_MainWindow::currentPage() const
{
    return window->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"))->currentWidget();
}

QAction *tst_MainWindow::action(const char *name) const
{
    return window->findChild<QAction *>(QString::fromLatin1(name));
}

void tst_MainWindow::pageRules_data()
{
    QTest::addColumn<QByteArray>("actionName");
    QTest::addColumn<bool>("searchBoxShown");
    QTest::addColumn<bool>("searchBoxEnabled");
    QTest::addColumn<bool>("buttonEnabled");
    QTest::addColumn<bool>("headingShown");

    QTest::newRow("player") << QByteArray("actionPlayer") << false << false << false << false;
    QTest::newRow("related") << QByteArray("actionRelated") << true << false << true << true;
    QTest::newRow("search") << QByteArray("actionSearch") << true << true << true << false;
    QTest::newRow("history") << QByteArray("actionHistory") << false << false << false << false;
    QTest::newRow("lyrics") << QByteArray("actionLyrics") << false << false << false << false;
}

void tst_MainWindow::pageRules()
{
    QFETCH(QByteArray, actionName);
    QFETCH(bool, searchBoxShown);
    QFETCH(bool, searchBoxEnabled);
    QFETCH(bool, buttonEnabled);
    QFETCH(bool, headingShown);

    auto *teSearch = window->findChild<QLineEdit *>(QStringLiteral("teSearch"));
    auto *btSearch = window->findChild<QPushButton *>(QStringLiteral("btSearch"));
    auto *lblHeading = window->findChild<QLabel *>(QStringLiteral("lblHeading"));
    // Start from another page, so the action is a real change.
    action(actionName == "actionSearch" ? "actionRelated" : "actionSearch")->trigger();
    action(actionName.constData())->trigger();
    QCOMPARE(teSearch->isHidden(), !searchBoxShown);
    QCOMPARE(btSearch->isHidden(), !searchBoxShown);
    QCOMPARE(teSearch->isEnabled(), searchBoxEnabled);
    QCOMPARE(btSearch->isEnabled(), buttonEnabled);
    QCOMPARE(lblHeading->isHidden(), !headingShown);
    QCOMPARE(lblHeading->text(), QStringLiteral("Click search button to start"));
}

void tst_MainWindow::f4TogglesPlayerAndPreviousPage()
{
    action("actionSearch")->trigger();
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->searchPage()));
    QTest::keyClick(window, Qt::Key_F4);
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->player()));
    QTest::keyClick(window, Qt::Key_F4);
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->searchPage()));
    // Other keys leave the page alone.
    QTest::keyClick(window, Qt::Key_F5);
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->searchPage()));
}

void tst_MainWindow::historyFromCompanionOrLocal()
{
    window->slot_videoChanged(recordA);
    window->slot_videoChanged(recordB);

    // Without Ctrl the companion is asked for 25 videos; its answer fills the page.
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    action("actionHistory")->trigger();
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->historyPage()));
    QTRY_COMPARE(heard.count(), 1);
    QCOMPARE(heardBy(heard).at(0), qMakePair(13u, QStringLiteral("25")));
    const QString companionList = QStringLiteral(R"({"entry":[{"id":"z","title":"From afar"}]})");
    sendToWindow(13, companionList);
    QCOMPARE(window->historyPage()->jsonText(), companionList);

    // An empty ShowHistory shows the local history instead.
    sendToWindow(13, QString());
    QString local;
    videoListToJson(window->history(), local, 20);
    QCOMPARE(window->historyPage()->jsonText(), local);

    // With Ctrl: the local history, newest first, without asking the companion.
    window->slot_videoChanged(QStringLiteral(R"({"id":"c","title":"Artist - C"})"));
    QTest::keyPress(window, Qt::Key_Control, Qt::ControlModifier);
    QVERIFY(QApplication::keyboardModifiers().testFlag(Qt::ControlModifier));
    action("actionHistory")->trigger();
    QTest::keyRelease(window, Qt::Key_Control);
    const QVariantList entries = QT_EXT::parseJson(window->historyPage()->jsonText())
                                     .toMap()
                                     .value(QStringLiteral("entry"))
                                     .toList();
    QStringList ids;
    for (const QVariant &entry : entries)
        ids << entry.toMap().value(QStringLiteral("id")).toString();
    QCOMPARE(ids, QStringList({QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
    QCOMPARE(heard.count(), 1);
}

void tst_MainWindow::companionHistoryFillsThePageHeadedHistory_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("heading");
    QTest::newRow("English") << QString() << QStringLiteral("History");
    QTest::newRow("German") << QStringLiteral("de") << QStringLiteral("Verlauf");
}

void tst_MainWindow::companionHistoryFillsThePageHeadedHistory()
{
    QFETCH(QString, language);
    QFETCH(QString, heading);
    if (!language.isEmpty()) {
        delete window;
        window = nullptr;
        QCOMPARE(installTranslations(QLocale(language)), language);
        window = new MainWindow;
    }
    const auto removeTranslations = qScopeGuard([] {
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    });
    const QString list = QStringLiteral(R"({"entry":[{"id":"z","title":"From afar"}]})");
    sendToWindow(uint(CompanionCommand::ShowHistory), list);
    // The companion's list fills the page; the window stays on the page the user is on.
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->player()));
    QCOMPARE(window->historyPage()->jsonText(), list);
    const auto shown = [this](const QString &script) {
        return evaluateInPage(window->historyPage()->page(), script).toString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(
        shown(QStringLiteral("document.querySelector('.item') ? "
                             "document.querySelector('.item').getAttribute('data-id') : ''")),
        QStringLiteral("z"), 10000);
    QCOMPARE(shown(QStringLiteral("document.getElementById('heading').textContent")), heading);
}

void tst_MainWindow::companionSearchShowsSearchPage()
{
    action("actionMinimize_to_tray")->trigger();
    QVERIFY(window->isHidden());
    sendToWindow(20, QStringLiteral(R"({"Command":"Search","Title":"rock 'n' roll"})"));
    QVERIFY(!window->isHidden());
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->searchPage()));
    auto *teSearch = window->findChild<QLineEdit *>(QStringLiteral("teSearch"));
    QCOMPARE(teSearch->text(), QStringLiteral("rock 'n' roll"));
    // A "Search" without "Title" does nothing.
    action("actionPlayer")->trigger();
    sendToWindow(20, QStringLiteral(R"({"Command":"Search"})"));
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->player()));
}

void tst_MainWindow::relatedWithoutVideoSaysSo()
{
    action("actionRelated")->trigger();
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    window->findChild<QPushButton *>(QStringLiteral("btSearch"))->click();
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("No video found"));
}

void tst_MainWindow::lyricsPageFollowsVideo()
{
    window->slot_videoChanged(QStringLiteral(R"j({"id":"l","title":"Artist: Song (Live)"})j"));
    action("actionLyrics")->trigger();
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->lyricsPage()));
    // The lyrics search asks the window for the track: the one of the video shown.
    QString track;
    window->slot_lyricsNeedTrackInfo(track);
    QCOMPARE(track, QStringLiteral("Artist - Song"));
    // A track corrected in the lyrics page's dialog is the one asked for next.
    window->slot_lyricsNewTrackInfo(QStringLiteral("Other - Name"));
    window->slot_lyricsNeedTrackInfo(track);
    QCOMPARE(track, QStringLiteral("Other - Name"));
}

void tst_MainWindow::lyricsStatusStaysInItsCorner_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("finished");
    QTest::newRow("English") << QString() << QStringLiteral("Finished");
    QTest::newRow("German") << QStringLiteral("de") << QStringLiteral("Fertig");
}

void tst_MainWindow::lyricsStatusStaysInItsCorner()
{
    QFETCH(QString, language);
    QFETCH(QString, finished);
    if (!language.isEmpty()) {
        delete window;
        window = nullptr;
        QCOMPARE(installTranslations(QLocale(language)), language);
        window = new MainWindow;
    }
    const auto removeTranslations = qScopeGuard([] {
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // The first video sets the lyrics page up: it loads while another page is shown.
    LyricsPanel *lyrics = window->lyricsPage();
    window->slot_videoChanged(
        QStringLiteral(R"({"id":"h","title":"Nordlicht Radio - Harbour Lights"})"));
    QLabel *status = nullptr;
    const auto statusShown = [&] {
        for (QLabel *label : lyrics->findChildren<QLabel *>()) {
            if (label->text() == finished && !label->isHidden())
                status = label;
        }
        return status != nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(statusShown(), 10000);

    // The first Ctrl+L: the page's status sits in its bottom-left corner, below the page's top
    // where the search link is.
    action("actionLyrics")->trigger();
    QCOMPARE(currentPage(), static_cast<QWidget *>(lyrics));
    QVERIFY(status->isVisible());
    QCOMPARE(status->geometry().left(), 0);
    QCOMPARE(status->geometry().bottom(), lyrics->height() - 1);
    QVERIFY(status->geometry().top() > lyrics->height() / 2);
}

void tst_MainWindow::downloadWithoutVideoSaysSo()
{
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    action("actionDownload")->trigger();
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("No valid URL found"));
}

void tst_MainWindow::copyUrlWithCtrlDownloads()
{
    auto *copy = action("actionCopy");
    QAction *url = copy->menu()->actions().first();
    QCOMPARE(url->text(), QStringLiteral("URL"));
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    QTest::keyPress(window, Qt::Key_Control, Qt::ControlModifier);
    url->trigger();
    QTest::keyRelease(window, Qt::Key_Control);
    // Download runs instead, and without a video it says so.
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("No valid URL found"));
}

void tst_MainWindow::closeDuringDownloadAsks_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("No") << QMessageBox::No;
    QTest::newRow("Cancel") << QMessageBox::Cancel;
    QTest::newRow("Yes") << QMessageBox::Yes;
}

void tst_MainWindow::closeDuringDownloadAsks()
{
    QFETCH(QMessageBox::StandardButton, answer);
    StalledStream stream;
    QTemporaryDir folder;
    DownloadItem item;
    item.videoId = QStringLiteral("a");
    item.folder = folder.path();
    item.title = QStringLiteral("Artist - A");
    item.format = QSharedPointer<FormatInfo>::create();
    item.format->itag = 18;
    item.format->extension = QStringLiteral(".mp4");
    item.format->url = stream.url().toString();
    DialogAnswerer answerer;
    answerer.accept(); // the file name
    QVERIFY(window->downloadPage()->startDownload(item));
    QTRY_VERIFY(window->downloadPage()->isDownloading());

    window->show();
    QSignalSpy heard(companion, &QT_EXT::IPCSocket::signal_commandReceived);
    answerer.click(answer);
    const bool closed = window->close();
    QCOMPARE(answerer.seen().last().text,
             QStringLiteral("You are currently download. Exit anyway?"));
    QCOMPARE(closed, answer == QMessageBox::Yes);
    QCOMPARE(window->isVisible(), answer != QMessageBox::Yes);
    // Notifications go out in order: the playing notice closes the list.
    window->slot_NotifyServer(uint(PlayerNotification::VideoPlaying));
    QTRY_COMPARE(heard.count(), answer == QMessageBox::Yes ? 2 : 1);
    if (answer == QMessageBox::Yes)
        QCOMPARE(heardBy(heard).first().first, uint(PlayerNotification::Closing));
    stream.release();
}

namespace {

QString watchAddress(const QString &id)
{
    return QStringLiteral("http://h/watch?v=%1&feature=player_embedded").arg(id);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

void tst_MainWindow::showVideo(const QString &id, const QString &title)
{
    window->slot_videoChangedUrl(watchAddress(id));
    window->slot_videoChanged(
        QT_EXT::toJson(QVariantMap{{QStringLiteral("id"), id}, {QStringLiteral("title"), title}}));
}

bool tst_MainWindow::analysed(const QString &id) const
{
    return QTest::qWaitFor(
        [&] {
            return window->watchPageAnalysis().videoId() == id &&
                   window->watchPageAnalysis().formats().contains(18);
        },
        5000);
}

void tst_MainWindow::downloadKeepsTheVideoOfTheDialog()
{
    QTemporaryDir folder;
    sendToWindow(7, folder.path());
    showVideo(QStringLiteral("a"), QStringLiteral("Artist - A"));
    QVERIFY(analysed(QStringLiteral("a")));

    DialogAnswerer answerer;
    bool secondAnalysed = false;
    answerer.handle([&](QWidget *dialog) {
        // Another video comes in, with its streams, while the dialog is open.
        showVideo(QStringLiteral("b"), QStringLiteral("Artist - B"));
        secondAnalysed = analysed(QStringLiteral("b"));
        DialogAnswerer::chooseRow(QStringLiteral("lwFormats"), QStringLiteral("MP4 360"),
                                  QStringLiteral("btDownload"))(dialog);
    });
    QString proposed;
    answerer.handle([&proposed](QWidget *dialog) {
        proposed = dialog->findChild<QLineEdit *>(QStringLiteral("teFilename"))->text();
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    QSignalSpy finished(window->downloadPage(), &VideoDownloadPanel::signal_downloadFinished);
    action("actionDownload")->trigger();
    QVERIFY(secondAnalysed);
    QCOMPARE(answerer.answered(), 2);
    // The stream of the video the dialog listed, under that video's title.
    const QString expected = QDir(folder.path()).filePath(QStringLiteral("Artist - A.mp4"));
    QCOMPARE(proposed, QDir::toNativeSeparators(expected));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
             QStringList{QStringLiteral("Artist - A.mp4")});
    QCOMPARE(contentOf(expected), QByteArray("stream at /stream/a.mp4"));
}

void tst_MainWindow::mp3KeepsTheVideoOfTheDialog()
{
    showVideo(QStringLiteral("a"), QStringLiteral("Artist - A"));
    QVERIFY(analysed(QStringLiteral("a")));

    DialogAnswerer answerer;
    answerer.handle([&](QWidget *dialog) {
        showVideo(QStringLiteral("b"), QStringLiteral("Artist - B"));
        DialogAnswerer::chooseRow(QStringLiteral("lwFormats"), QStringLiteral("MP3"),
                                  QStringLiteral("btDownload"))(dialog);
    });
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
    action("actionDownload")->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(answerer.answered(), 1);
    // The conversion page gets the address of the video the dialog was opened for.
    QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:%1/sonvara/"
                                                     "video2mp3.php?url=http://h/watch?v=a")
                                          .arg(pages.port()))});
}

void tst_MainWindow::finishedOpensTheFolderWrittenTo()
{
    QTemporaryDir recording;
    QTemporaryDir typed;
    sendToWindow(7, recording.path());
    DownloadItem item;
    item.videoId = QStringLiteral("a");
    item.folder = recording.path();
    item.title = QStringLiteral("Artist - A");
    item.format = QSharedPointer<FormatInfo>::create();
    item.format->itag = 18;
    item.format->extension = QStringLiteral(".mp4");
    item.format->url = site.url(QStringLiteral("/stream/a.mp4")).toString();
    const QString written = QDir(typed.path()).filePath(QStringLiteral("Elsewhere.mp4"));
    DialogAnswerer answerer;
    // The user names a file in another folder than the recording folder.
    answerer.handle([&written](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("teFilename"))
            ->setText(QDir::toNativeSeparators(written));
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    QSignalSpy finished(window->downloadPage(), &VideoDownloadPanel::signal_downloadFinished);
    QVERIFY(window->downloadPage()->startDownload(item));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(contentOf(written), QByteArray("stream at /stream/a.mp4"));

    auto *status = window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    QCOMPARE(status->text(), QStringLiteral("<a href=\"local://open_folder\">Finished</a>"));
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    emit status->linkActivated(QStringLiteral("local://open_folder"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(typed.path())});
}

void tst_MainWindow::downloadPageShowsTheVideoBeingSaved()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // The search box holds the title of a video shown earlier.
    showVideo(QStringLiteral("s"), QStringLiteral("Sunday session at the old mill full set"));
    action("actionSearch")->trigger();
    action("actionPlayer")->trigger();

    StalledStream stream;
    QTemporaryDir folder;
    DownloadItem item;
    item.videoId = QStringLiteral("c");
    item.folder = folder.path();
    item.title = QStringLiteral("Copper Lanterns - Midnight Ferry");
    item.format = QSharedPointer<FormatInfo>::create();
    item.format->itag = 18;
    item.format->extension = QStringLiteral(".mp4");
    item.format->url = stream.url().toString();
    DialogAnswerer answerer;
    answerer.accept(); // the file name
    QVERIFY(window->downloadPage()->startDownload(item));
    QTRY_VERIFY(window->downloadPage()->isDownloading());
    window->downloadPage()->slot_readProgress(59392, 1782579);

    // The progress text in the status row leads to the download page.
    auto *status = window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    QVERIFY2(status->text().contains(QStringLiteral("58 kb/1.7 mb")), qPrintable(status->text()));
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->player()));
    QTest::mouseClick(status, Qt::LeftButton, {},
                      QPoint(status->fontMetrics().averageCharWidth(), status->height() / 2));
    QTRY_COMPARE(currentPage(), static_cast<QWidget *>(window->downloadPage()));
    // The page's box names the video being saved.
    auto *teSearch = window->findChild<QLineEdit *>(QStringLiteral("teSearch"));
    QVERIFY(teSearch->isVisible());
    QCOMPARE(teSearch->text(), QStringLiteral("Copper Lanterns - Midnight Ferry"));
    // Another page gets the box's text back.
    action("actionRelated")->trigger();
    QCOMPARE(teSearch->text(), QStringLiteral("Sunday session at the old mill full set"));

    QSignalSpy finished(window->downloadPage(), &VideoDownloadPanel::signal_downloadFinished);
    stream.release();
    QVERIFY(finished.wait(10000));
}

void tst_MainWindow::failedWatchPageFetchedAgain()
{
    watchPagesToFail = 1;
    QSignalSpy ready(const_cast<VideoHtmlInfo *>(&window->watchPageAnalysis()),
                     &VideoHtmlInfo::signal_Ready);
    showVideo(QStringLiteral("a"), QStringLiteral("Artist - A"));
    QVERIFY(ready.wait());
    QVERIFY(!window->watchPageAnalysis().formats().contains(18));
    QCOMPARE(watchPagesRequested.load(), 1);

    // The same video plays again: the page reports its address once more.
    window->slot_videoChangedUrl(watchAddress(QStringLiteral("a")));
    QVERIFY(analysed(QStringLiteral("a")));
    QCOMPARE(watchPagesRequested.load(), 2);
    QVERIFY(action("actionDownload")->isEnabled());

    // A page that was had is not asked for again.
    window->slot_videoChangedUrl(watchAddress(QStringLiteral("a")));
    QTest::qWait(300);
    QCOMPARE(watchPagesRequested.load(), 2);
    QVERIFY(window->watchPageAnalysis().formats().contains(18));
}

QString tst_MainWindow::trackAskedFor()
{
    DialogAnswerer answerer;
    QString asked = QStringLiteral("(no dialog)");
    answerer.handle([&asked](QWidget *dialog) {
        asked = dialog->findChild<QLineEdit *>(QStringLiteral("teArtist"))->text() +
                QStringLiteral(" - ") +
                dialog->findChild<QLineEdit *>(QStringLiteral("teSongTitle"))->text();
        qobject_cast<QDialog *>(dialog)->reject();
    });
    QMetaObject::invokeMethod(window->lyricsPage(), "slot_textLyricsLinkClicked",
                              Qt::DirectConnection, Q_ARG(QUrl, LyricsPanel::searchLink()));
    return asked;
}

void tst_MainWindow::lyricsLinkNamesTheCleanedTrack()
{
    window->slot_videoChanged(QStringLiteral(R"j({"id":"l","title":"Artist: Song (Live)"})j"));
    // Ctrl+L (the action's shortcut) names the track, as a new video does, not the raw title.
    QCOMPARE(action("actionLyrics")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    action("actionLyrics")->trigger();
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->lyricsPage()));
    QCOMPARE(window->lyricsPage()->searchLinkTrack(), QStringLiteral("Artist - Song"));
    QCOMPARE(trackAskedFor(), QStringLiteral("Artist - Song"));
}

void tst_MainWindow::lyricsSearchAsksForTheTrackOfTheLink()
{
    window->slot_videoChanged(QStringLiteral(R"j({"id":"l","title":"Artist: Song (Live)"})j"));
    action("actionLyrics")->trigger();
    // F4 away from the lyrics page, a new video, F4 back.
    QTest::keyClick(window, Qt::Key_F4);
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->player()));
    window->slot_videoChanged(QStringLiteral(R"j({"id":"m","title":"Other: Tune"})j"));
    QTest::keyClick(window, Qt::Key_F4);
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->lyricsPage()));
    QCOMPARE(window->lyricsPage()->searchLinkTrack(), QStringLiteral("Other - Tune"));
    QCOMPARE(trackAskedFor(), QStringLiteral("Other - Tune"));
}

void tst_MainWindow::otherPagesTextIsNoTrack()
{
    window->slot_videoChanged(QStringLiteral(R"j({"id":"m","title":"Other: Tune"})j"));
    action("actionLyrics")->trigger();
    QTest::keyClick(window, Qt::Key_F4);
    // The search box gets the title on the search page; F4 returns to the lyrics page from the
    // player, and History is left from there.
    action("actionSearch")->trigger();
    action("actionPlayer")->trigger();
    QTest::keyClick(window, Qt::Key_F4);
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->lyricsPage()));
    QCOMPARE(trackAskedFor(), QStringLiteral("Other - Tune"));
    action("actionHistory")->trigger();
    action("actionLyrics")->trigger();
    QCOMPARE(window->lyricsPage()->searchLinkTrack(), QStringLiteral("Other - Tune"));
    QCOMPARE(trackAskedFor(), QStringLiteral("Other - Tune"));
}

void tst_MainWindow::correctedTrackNamedByTheLink()
{
    window->slot_videoChanged(QStringLiteral(R"j({"id":"m","title":"Other: Tune"})j"));
    action("actionLyrics")->trigger();
    {
        DialogAnswerer answerer;
        answerer.handle([](QWidget *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("teArtist"))
                ->setText(QStringLiteral("Fixed"));
            dialog->findChild<QLineEdit *>(QStringLiteral("teSongTitle"))
                ->setText(QStringLiteral("Name"));
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        QMetaObject::invokeMethod(window->lyricsPage(), "slot_textLyricsLinkClicked",
                                  Qt::DirectConnection, Q_ARG(QUrl, LyricsPanel::searchLink()));
        QCOMPARE(answerer.answered(), 1);
    }
    // The corrected track is the one the link names and the next search asks for.
    QCOMPARE(window->lyricsPage()->searchLinkTrack(), QStringLiteral("Fixed - Name"));
    QCOMPARE(trackAskedFor(), QStringLiteral("Fixed - Name"));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
