// The main window's user actions, and the proof that no control of the window is dead.

#include "companionlink.h"
#include "dialoganswerer.h"
#include "download/downloaditem.h"
#include "download/videodownloadpanel.h"
#include "fakehttpserver.h"
#include "ipcsocket.h"
#include "lyrics/lyricspanel.h"
#include "mainwindow.h"
#include "pages/videolistbrowser.h"
#include "pages/videoplayerbrowser.h"
#include "pagescript.h"
#include "stalledstream.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <httplib.h>

#include <functional>
#include <memory>

namespace {

const QString recordA = QStringLiteral(R"({"id":"a","url":"u","title":"Artist - A"})");

// A stand-in player page that records the calls it receives; not the resizes, which the window
// makes on its own timer.
const char *const recordingPage = R"(<html><body><script>
var calls = [];
function loadPlayer(id) { calls.push('loadPlayer:' + id); }
function getVideoTitle(id) { calls.push('getVideoTitle:' + id); }
function startPlayer() { calls.push('startPlayer'); }
function pausePlayer() { calls.push('pausePlayer'); }
function stopPlayer() { calls.push('stopPlayer'); }
function clearPlayer() { calls.push('clearPlayer'); }
function setVideoVolume(v) { calls.push('setVideoVolume:' + v); }
function resizePlayer(w, h) { }
</script></body></html>)";

// The window, with its drop handler reachable: a test cannot start a real drag.
class DropTarget : public MainWindow
{
public:
    using MainWindow::dropEvent;
};

} // namespace

class tst_MainWindowActions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void play_data();
    void play();
    void copyUrl_data();
    void copyUrl();
    void copyTitle();
    void bookmark();
    void bookmarkWithCtrl();
    void browser();
    void drop_data();
    void drop();
    void trayEntries();
    void closingSentOnce();
    void noDeadControl();

public slots:
    // Stands in for the desktop's browser.
    void openInBrowser(const QUrl &url) { opened.append(url); }

private:
    QString settingsFolder() const;
    QAction *action(const char *name) const;
    QWidget *currentPage() const;
    QStringList playerCalls() const;
    bool loadRecordingPlayer();
    void pressCtrl(bool down);
    QList<QPair<uint, QString>> heard(int from = 0) const;
    // Starts a download that runs until the stream is released; the file name is accepted.
    bool startStalledDownload(StalledStream &stream, const QString &folder,
                              DialogAnswerer &answerer);

    // Stands in for the maker's pages: an empty page for each.
    FakeHttpServer pages;
    std::unique_ptr<QT_EXT::IPCSocket> companion;
    QList<QPair<uint, QString>> notifications;
    MainWindow *window = nullptr;
    QList<QUrl> opened;
};

QString tst_MainWindowActions::settingsFolder() const
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
}

void tst_MainWindowActions::initTestCase()
{
    QDir(settingsFolder()).removeRecursively();
    QSettings ini(QDir(settingsFolder()).filePath(QStringLiteral("MiniVideoPlayerSV.ini")),
                  QSettings::IniFormat);
    // The pages stay empty unless a test fills them; nothing answers for the video site.
    pages.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content("<html><body></body></html>", "text/html");
    });
    ini.setValue(QStringLiteral("hosts/maker"), QStringLiteral("127.0.0.1:%1").arg(pages.port()));
    ini.setValue(QStringLiteral("hosts/video_site"), QStringLiteral("127.0.0.1:1"));
    ini.setValue(QStringLiteral("hosts/lyrics_wiki"), QStringLiteral("http://127.0.0.1:1/"));
    companion = std::make_unique<QT_EXT::IPCSocket>(nullptr, companionServerName);
    QVERIFY(companion->isListening());
    connect(companion.get(), &QT_EXT::IPCSocket::signal_commandReceived, this,
            [this](uint cmd, const QString &payload) {
                notifications.append({cmd, payload});
            });
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openInBrowser");
}

void tst_MainWindowActions::init()
{
    window = new DropTarget;
    // The start-up notice is through once the player page's load enabled Play.
    QTRY_VERIFY_WITH_TIMEOUT(
        window->findChild<QPushButton *>(QStringLiteral("btPlay"))->isEnabled(), 10000);
    QTRY_VERIFY(heard().contains(qMakePair(uint(PlayerNotification::PlayerReady), QString())));
    notifications.clear();
    opened.clear();
}

void tst_MainWindowActions::cleanup()
{
    pressCtrl(false);
    if (window) {
        delete window;
        window = nullptr;
        // Its Closing must not mix with the next test's notifications.
        QTRY_VERIFY(heard().contains(qMakePair(uint(PlayerNotification::Closing), QString())));
    }
    notifications.clear();
}

void tst_MainWindowActions::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    companion.reset();
    QDir(settingsFolder()).removeRecursively();
}

QAction *tst_MainWindowActions::action(const char *name) const
{
    return window->findChild<QAction *>(QString::fromLatin1(name));
}

QWidget *tst_MainWindowActions::currentPage() const
{
    return window->findChild<QStackedWidget *>()->currentWidget();
}

QStringList tst_MainWindowActions::playerCalls() const
{
    return evaluateInPage(window->player()->page(), QStringLiteral("calls")).toStringList();
}

bool tst_MainWindowActions::loadRecordingPlayer()
{
    QSignalSpy loaded(window->player(), &QWebEngineView::loadFinished);
    window->player()->setHtml(QString::fromUtf8(recordingPage),
                              QUrl(QStringLiteral("http://localhost/")));
    if (!loaded.wait(5000) && loaded.isEmpty())
        return false;
    return playerCalls().isEmpty() && window->player()->isReady();
}

void tst_MainWindowActions::pressCtrl(bool down)
{
    if (!window)
        return;
    if (down)
        QTest::keyPress(window, Qt::Key_Control, Qt::ControlModifier);
    else if (QApplication::keyboardModifiers().testFlag(Qt::ControlModifier))
        QTest::keyRelease(window, Qt::Key_Control);
}

bool tst_MainWindowActions::startStalledDownload(StalledStream &stream, const QString &folder,
                                                 DialogAnswerer &answerer)
{
    DownloadItem item;
    item.videoId = QStringLiteral("a");
    item.folder = folder;
    item.title = QStringLiteral("Artist - A");
    item.format = QSharedPointer<FormatInfo>::create();
    item.format->itag = 18;
    item.format->extension = QStringLiteral(".mp4");
    item.format->url = stream.url().toString();
    answerer.accept(); // the file name
    return window->downloadPage()->startDownload(item) &&
           QTest::qWaitFor([this] { return window->downloadPage()->isDownloading(); }, 5000);
}

QList<QPair<uint, QString>> tst_MainWindowActions::heard(int from) const
{
    return notifications.mid(from);
}

void tst_MainWindowActions::play_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<QStringList>("calls");

    const QStringList play{QStringLiteral("startPlayer")};
    QTest::newRow("nothing yet") << int(VideoPlayerBrowser::Unstarted) << false << play;
    QTest::newRow("paused") << int(VideoPlayerBrowser::Paused) << false << play;
    QTest::newRow("cued") << int(VideoPlayerBrowser::VideoCued) << false << play;
    QTest::newRow("playing") << int(VideoPlayerBrowser::Playing) << false
                             << QStringList{QStringLiteral("pausePlayer")};
    QTest::newRow("playing, Ctrl")
        << int(VideoPlayerBrowser::Playing) << true
        << QStringList{QStringLiteral("stopPlayer"), QStringLiteral("clearPlayer")};
    QTest::newRow("buffering, Ctrl")
        << int(VideoPlayerBrowser::Buffering) << true
        << QStringList{QStringLiteral("stopPlayer"), QStringLiteral("clearPlayer")};
    QTest::newRow("ended") << int(VideoPlayerBrowser::Ended) << false << QStringList();
}

void tst_MainWindowActions::play()
{
    QFETCH(int, state);
    QFETCH(bool, ctrl);
    QFETCH(QStringList, calls);
    QVERIFY(loadRecordingPlayer());
    window->player()->slot_PlayerStateChange(state);
    pressCtrl(ctrl);
    window->findChild<QPushButton *>(QStringLiteral("btPlay"))->click();
    pressCtrl(false);
    QCOMPARE(playerCalls(), calls);
}

void tst_MainWindowActions::copyUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("copied");

    QTest::newRow("with &") << "http://h/watch?v=a&feature=player_embedded"
                            << "http://h/watch?v=a";
    // Without "&" nothing is copied and nothing is said.
    QTest::newRow("without &") << "http://h/watch?v=a"
                               << "unchanged";
}

void tst_MainWindowActions::copyUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, copied);
    QGuiApplication::clipboard()->setText(QStringLiteral("unchanged"));
    window->slot_videoChangedUrl(url);
    DialogAnswerer answerer;
    if (copied != QLatin1String("unchanged"))
        answerer.click(QMessageBox::Ok);
    action("actionCopy")->menu()->actions().first()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    if (copied == QLatin1String("unchanged")) {
        QVERIFY(answerer.seen().isEmpty());
    } else {
        QCOMPARE(answerer.answered(), 1);
        QCOMPARE(answerer.seen().first().text, url + QStringLiteral("\nURL copied to clipboard"));
    }
}

void tst_MainWindowActions::copyTitle()
{
    window->slot_videoChanged(recordA);
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    action("actionCopy")->menu()->actions().last()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Artist - A"));
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Artist - A\nTitle copied to clipboard"));
}

void tst_MainWindowActions::bookmark()
{
    // Nothing shown yet: nothing to bookmark.
    action("actionBookmark")->trigger();
    window->slot_videoChanged(recordA);
    action("actionBookmark")->trigger();
    QVERIFY(!action("actionBookmark")->isEnabled());
    // A new watch address enables it again, as does the companion's BookmarkState.
    window->slot_videoChangedUrl(QStringLiteral("http://h/watch?v=b"));
    QVERIFY(action("actionBookmark")->isEnabled());
    action("actionBookmark")->trigger();
    QVERIFY(!action("actionBookmark")->isEnabled());
    QT_EXT::IPCSocket sender(nullptr, QString());
    QSignalSpy handled(window->findChild<QT_EXT::IPCSocket *>(),
                       &QT_EXT::IPCSocket::signal_commandReceived);
    QVERIFY(sender.sendCommand(uint(CompanionCommand::BookmarkState), QStringLiteral("no"),
                               playerServerName));
    QVERIFY(handled.wait());
    QVERIFY(action("actionBookmark")->isEnabled());

    QTRY_COMPARE(notifications.size(), 2);
    QCOMPARE(heard(), (QList<QPair<uint, QString>>{{9u, recordA}, {9u, recordA}}));
}

void tst_MainWindowActions::bookmarkWithCtrl()
{
    window->slot_videoChanged(recordA);
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    pressCtrl(true);
    action("actionBookmark")->trigger();
    pressCtrl(false);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().text, recordA);
    QVERIFY(action("actionBookmark")->isEnabled());
    QTRY_COMPARE(heard(), (QList<QPair<uint, QString>>{{22u, recordA}}));
}

void tst_MainWindowActions::browser()
{
    QVERIFY(loadRecordingPlayer());
    window->slot_videoChanged(recordA);
    action("actionSearch")->trigger();
    action("actionBrowser")->trigger();
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->player()));
    QVERIFY(playerCalls().contains(QStringLiteral("pausePlayer")));
    QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:1/watch?v=a"))});
}

void tst_MainWindowActions::drop_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<QString>("message");

    QTest::newRow("watch address")
        << QList<QUrl>{QUrl(QStringLiteral("http://h/watch?v=xyz&t=1"))} << "loadPlayer:xyz"
        << "";
    QTest::newRow("no video id") << QList<QUrl>{QUrl(QStringLiteral("http://h/about"))} << ""
                                 << "Not video found";
    QTest::newRow("no addresses") << QList<QUrl>() << ""
                                  << "";
    // Only web addresses: a dropped file (or any other scheme) is refused before anything is
    // fetched or played, whatever its name holds.
    QTest::newRow("local file") << QList<QUrl>{QUrl(QStringLiteral("file:///tmp/watch?v=xyz"))}
                                << ""
                                << "Not a web address, refused: file:///tmp/watch?v=xyz";
    QTest::newRow("ftp") << QList<QUrl>{QUrl(QStringLiteral("ftp://h/watch?v=xyz"))} << ""
                         << "Not a web address, refused: ftp://h/watch?v=xyz";
    QTest::newRow("https watch address")
        << QList<QUrl>{QUrl(QStringLiteral("https://h/watch?v=xyz"))} << "loadPlayer:xyz"
        << "";
}

void tst_MainWindowActions::drop()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, loaded);
    QFETCH(QString, message);
    QVERIFY(loadRecordingPlayer());
    action("actionSearch")->trigger();

    QMimeData data;
    if (!urls.isEmpty())
        data.setUrls(urls);
    else
        data.setText(QStringLiteral("plain text"));
    DialogAnswerer answerer;
    if (!message.isEmpty())
        answerer.click(QMessageBox::Ok);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<DropTarget *>(window)->dropEvent(&drop);

    QCOMPARE(playerCalls(), loaded.isEmpty() ? QStringList() : QStringList{loaded});
    QCOMPARE(answerer.seen().size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(answerer.seen().first().text, message);
    // The page shown stays.
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->searchPage()));
}

void tst_MainWindowActions::trayEntries()
{
    QMenu *tray = nullptr;
    for (QMenu *menu : window->findChildren<QMenu *>()) {
        if (!menu->actions().isEmpty() && menu->actions().first()->text() == QLatin1String("Show"))
            tray = menu;
    }
    QVERIFY(tray);
    action("actionMinimize_to_tray")->trigger();
    QVERIFY(window->isHidden());
    QVERIFY(window->isHiddenInTray());
    tray->actions().at(0)->trigger(); // Show
    QVERIFY(!window->isHidden());
    QVERIFY(!window->isHiddenInTray());
    window->slot_iconActivated(QSystemTrayIcon::DoubleClick);
    QVERIFY(!window->isHidden());

    QCOMPARE(tray->actions().at(1)->text(), QStringLiteral("Lyrics"));
    tray->actions().at(1)->trigger();
    QCOMPARE(currentPage(), static_cast<QWidget *>(window->lyricsPage()));
}

void tst_MainWindowActions::closingSentOnce()
{
    window->show();
    QVERIFY(window->close());
    delete window;
    window = nullptr;
    // Closing once, though the window closed first and was destroyed after.
    QVERIFY(QTest::qWaitFor([this] { return !notifications.isEmpty(); }, 5000));
    window = new MainWindow; // the start-up notice after it proves nothing more came
    QTRY_COMPARE(notifications.size(), 2);
    QCOMPARE(heard().at(0).first, uint(PlayerNotification::Closing));
    QCOMPARE(heard().at(1).first, uint(PlayerNotification::PlayerReady));
}

void tst_MainWindowActions::noDeadControl()
{
    // Every action, button and menu entry of the window, each with what shows that it works.
    // A control added without behaviour fails here, because the table must name it.
    QVERIFY(loadRecordingPlayer());
    window->slot_videoChangedUrl(QStringLiteral("http://h/watch?v=a&f=1"));
    window->slot_videoChanged(recordA);
    // The window brings the player to the front when it reports the change, a while later:
    // that must not pass for a control's work.
    const auto videoChangeReported = [this] {
        for (const auto &n : heard()) {
            if (n.first == uint(PlayerNotification::VideoChanged))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(videoChangeReported(), 5000);
    auto *teSearch = window->findChild<QLineEdit *>(QStringLiteral("teSearch"));
    DialogAnswerer answerer;
    answerer.setInterval(10);
    StalledStream stalled;
    QTemporaryDir folder;

    // Each control is checked as: prepare, its effect not there yet, use, its effect there.
    struct Control
    {
        QString name;
        std::function<void()> use;
        std::function<bool()> works;
        // Brings the window to where the control has something to do.
        std::function<void()> prepare = [] {};
    };
    const auto trigger = [this](const char *name) { return [=] { action(name)->trigger(); }; };
    const auto click = [this](const char *name) {
        return [=] { window->findChild<QPushButton *>(QString::fromLatin1(name))->click(); };
    };
    const auto pageIs = [this](QWidget *page) { return [=] { return currentPage() == page; }; };
    // Notifications heard before the control was used do not count.
    int heardBefore = 0;
    const auto sent = [this, &heardBefore](uint cmd) {
        return [this, &heardBefore, cmd] {
            for (const auto &n : heard(heardBefore)) {
                if (n.first == cmd)
                    return true;
            }
            return false;
        };
    };
    const auto asked = [&answerer](const QString &text) {
        return [&answerer, text] {
            return !answerer.seen().isEmpty() && answerer.seen().last().text.contains(text);
        };
    };
    QMenu *searchMenu = action("actionSearch")->menu();
    QMenu *copyMenu = action("actionCopy")->menu();
    QMenu *trayMenu = nullptr;
    for (QMenu *menu : window->findChildren<QMenu *>()) {
        if (menu != searchMenu && menu != copyMenu)
            trayMenu = menu;
    }
    QVERIFY(trayMenu);

    const QList<Control> controls = {
        {"actionLyrics", trigger("actionLyrics"), pageIs(window->lyricsPage())},
        {"actionPlayer", trigger("actionPlayer"), pageIs(window->player())},
        {"actionRelated", trigger("actionRelated"), pageIs(window->relatedPage())},
        {"actionHistory", trigger("actionHistory"), sent(13)},
        {"actionSearch", trigger("actionSearch"), pageIs(window->searchPage())},
        {"actionBookmark", trigger("actionBookmark"), sent(9)},
        {"actionBrowser", trigger("actionBrowser"), [this] { return !opened.isEmpty(); }},
        {"actionDownload",
         [&] {
             answerer.reject();
             action("actionDownload")->trigger();
         },
         [&] {
             return !answerer.seen().isEmpty() &&
                    answerer.seen().last().className == QLatin1String("VideoFormatDlg");
         }},
        {"actionMinimize_to_tray", trigger("actionMinimize_to_tray"),
         [this] { return window->isHiddenInTray(); }},
        {"copy URL",
         [&] {
             answerer.click(QMessageBox::Ok);
             copyMenu->actions().first()->trigger();
         },
         asked(QStringLiteral("URL copied to clipboard"))},
        {"copy Title",
         [&] {
             answerer.click(QMessageBox::Ok);
             copyMenu->actions().last()->trigger();
         },
         asked(QStringLiteral("Title copied to clipboard"))},
        {"tray Show", [=] { trayMenu->actions().at(0)->trigger(); },
         [this] { return !window->isHidden(); }},
        {"tray Lyrics", [=] { trayMenu->actions().at(1)->trigger(); },
         pageIs(window->lyricsPage())},
        {"btPlay", click("btPlay"),
         [this] { return playerCalls().contains(QStringLiteral("startPlayer")); }},
        {"btNext", click("btNext"), sent(24)},
        {"btSearch",
         [=] {
             action("actionRelated")->trigger(); // where it looks up related videos
             click("btSearch")();
         },
         [this] { return window->relatedPage()->isPageRequested(); }},
        {"btStop",
         [&] {
             answerer.click(QMessageBox::Yes);
             window->findChild<QPushButton *>(QStringLiteral("btStop"))->click();
         },
         [this] { return !window->downloadPage()->isDownloading(); },
         [&] { startStalledDownload(stalled, folder.path(), answerer); }},
        {"teSearch Return",
         [=] {
             action("actionSearch")->trigger();
             teSearch->setText(QStringLiteral("x"));
             QTest::keyClick(teSearch, Qt::Key_Return);
         },
         [this] { return window->searchPage()->isPageRequested(); }},
    };
    QStringList named;
    for (const Control &control : controls)
        named << control.name;

    // Walk the window: every action (menus' entries too) and every button is in the table.
    QAction *toolbarToggle = window->findChild<QToolBar *>()->toggleViewAction();
    for (QAction *a : window->findChildren<QAction *>()) {
        // Qt's own: the toolbar's show/hide toggle and each menu's action; the Copy action only
        // opens its menu.
        if (a->isSeparator() || a == toolbarToggle || a->menu() == copyMenu ||
            (a->menu() && a->objectName().isEmpty()))
            continue;
        QString name = a->objectName();
        if (name.isEmpty()) {
            if (copyMenu->actions().contains(a))
                name = QStringLiteral("copy ") + a->text();
            else if (trayMenu->actions().contains(a))
                name = QStringLiteral("tray ") + a->text();
            else if (searchMenu->actions().contains(a))
                continue; // the categories, below
        }
        QVERIFY2(named.contains(name),
                 qPrintable(QStringLiteral("no behaviour: %1 %2").arg(name, a->text())));
    }
    // The window's own buttons; the pages' buttons belong to the pages and their tests.
    const QStackedWidget *pages = window->findChild<QStackedWidget *>();
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        if (!pages->isAncestorOf(button))
            QVERIFY2(named.contains(button->objectName()), qPrintable(button->objectName()));
    }

    for (const Control &control : controls) {
        control.prepare();
        heardBefore = notifications.size();
        QVERIFY2(!control.works(), qPrintable(control.name + QStringLiteral(" before its use")));
        control.use();
        QTRY_VERIFY2_WITH_TIMEOUT(control.works(), qPrintable(control.name), 3000);
    }
    // Each category of the search menu shows its list on the search page.
    for (QAction *category : searchMenu->actions()) {
        if (category->isSeparator())
            continue;
        action("actionPlayer")->trigger();
        category->trigger();
        QCOMPARE(currentPage(), static_cast<QWidget *>(window->searchPage()));
        QCOMPARE(teSearch->text(), category->text());
    }
    // btStop asked before it stopped.
    QStringList shown;
    for (const DialogAnswerer::Seen &seen : answerer.seen())
        shown << seen.text;
    QVERIFY(shown.contains(QStringLiteral("Stop current download?")));
    stalled.release();
}

QTEST_MAIN(tst_MainWindowActions)
#include "tst_mainwindowactions.moc"
