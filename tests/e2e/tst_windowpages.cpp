// The main window's pages end to end: the window against the real site-server, driven by a
// companion peer over the real local sockets. The window runs in this process so the test can
// read what the pages show.

#include "companionlink.h"
#include "dialoganswerer.h"
#include "ipcsocket.h"
#include "lyrics/lyricspanel.h"
#include "mainwindow.h"
#include "pages/videolistbrowser.h"
#include "siteserverprocess.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QWebElement>
#include <QWebFrame>
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
        page->page()
            ->mainFrame()
            ->evaluateJavaScript(
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

private:
    void send(uint cmd, const QString &payload);
    // Waits for a notification with the number cmd whose payload holds text.
    bool heardWith(uint cmd, const QString &text, int timeoutMs = 20000);
    void screenshot(const QString &name);

    SiteServerProcess server;
    std::unique_ptr<QT_EXT::IPCSocket> companion;
    std::unique_ptr<MainWindow> window;
    QList<QPair<uint, QString>> heard;
    QString settingsDir;
};

void tst_WindowPages::initTestCase()
{
    QString error;
    QVERIFY2(server.start({}, error), qPrintable(error));
    settingsDir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
    QDir(settingsDir).removeRecursively();
    {
        QSettings ini(QDir(settingsDir).filePath(QStringLiteral("MiniVideoPlayerSV.ini")),
                      QSettings::IniFormat);
        ini.setValue(QStringLiteral("hosts/maker"), server.makerAddress());
        ini.setValue(QStringLiteral("hosts/video_site"), server.videoAddress());
        ini.setValue(QStringLiteral("hosts/lyrics_service"),
                     QStringLiteral("http://%1/lyrics/").arg(server.makerAddress()));
        ini.setValue(QStringLiteral("hosts/lyrics_wiki"),
                     QStringLiteral("http://%1/lyricswiki/").arg(server.makerAddress()));
    }
    companion = std::make_unique<QT_EXT::IPCSocket>(nullptr, companionServerName);
    QVERIFY(companion->isListening());
    connect(companion.get(), &QT_EXT::IPCSocket::signal_commandReceived, this,
            [this](uint cmd, const QString &payload) {
                heard.append({cmd, payload});
            });
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    QVERIFY(heardWith(uint(PlayerNotification::PlayerReady), QString()));
}

void tst_WindowPages::cleanupTestCase()
{
    window.reset();
    companion.reset();
    QDir(settingsDir).removeRecursively();
}

void tst_WindowPages::send(uint cmd, const QString &payload)
{
    QT_EXT::IPCSocket sender(nullptr, QString());
    QVERIFY(sender.sendCommand(cmd, payload, playerServerName));
}

bool tst_WindowPages::heardWith(uint cmd, const QString &text, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        for (const auto &[number, payload] : qAsConst(heard)) {
            if (number == cmd && payload.contains(text))
                return true;
        }
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
}

void tst_WindowPages::screenshot(const QString &name)
{
    // MVP_SCREENSHOT_DIR asks for pictures of the pages, for people to look at.
    const QString dir = qEnvironmentVariable("MVP_SCREENSHOT_DIR");
    if (!dir.isEmpty())
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
    search->page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("document.querySelectorAll('.item')[0].click()"));
    QVERIFY(heardWith(uint(PlayerNotification::VideoPlaying), clicked));
    QVERIFY(heardWith(uint(PlayerNotification::VideoChanged), clicked));
}

void tst_WindowPages::historyFromCompanion()
{
    const QString list = QStringLiteral(
        R"({"entry":[{"id":"hLx7Qm2Ta9c","title":"Nordlicht Radio - Harbour Lights"},)"
        R"({"id":"Vq3Rt8Kp1Ws","title":"Velvet Orchard - Slow Tide"}]})");
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

    // The Lyrics action by its shortcut; the page names the playing video's track.
    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    LyricsPanel *lyrics = window->lyricsPage();
    QCOMPARE(window->findChild<QStackedWidget *>()->currentWidget(),
             static_cast<QWidget *>(lyrics));
    const QString anchor =
        QStringLiteral("a[href=\"%1\"]").arg(LyricsPanel::searchLink().toString());
    QTRY_COMPARE_WITH_TIMEOUT(lyrics->page()->mainFrame()->findFirstElement(anchor).toPlainText(),
                              QStringLiteral("Find lyrics for Nordlicht Radio - Harbour Lights"),
                              20000);

    // A real click on the link; the track dialog is confirmed as it stands.
    DialogAnswerer answerer;
    answerer.accept();
    const QWebElement link = lyrics->page()->mainFrame()->findFirstElement(anchor);
    QTest::mouseClick(lyrics, Qt::LeftButton, Qt::NoModifier, link.geometry().center());
    QTRY_VERIFY_WITH_TIMEOUT(lyrics->page()->mainFrame()->toPlainText().contains(
                                 QStringLiteral("The harbour lights are burning low")),
                             20000);
    QCOMPARE(answerer.answered(), 1);
    screenshot(QStringLiteral("lyrics-page"));
}

QTEST_MAIN(tst_WindowPages)
#include "tst_windowpages.moc"
