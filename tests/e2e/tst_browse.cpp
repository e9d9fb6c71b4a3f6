// Browsing end to end: the main window against the real site-server, driven by a companion peer
// over the real local sockets. The window runs in this process so the test can read what the
// list pages show.

#include "companionlink.h"
#include "ipcsocket.h"
#include "mainwindow.h"
#include "pages/videolistbrowser.h"
#include "siteserverprocess.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
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

class tst_Browse : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void searchFromCompanionAndPlayAClickedRow();
    void historyFromCompanion();
    void topListAndRelated();

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

void tst_Browse::initTestCase()
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

void tst_Browse::cleanupTestCase()
{
    window.reset();
    companion.reset();
    QDir(settingsDir).removeRecursively();
}

void tst_Browse::send(uint cmd, const QString &payload)
{
    QT_EXT::IPCSocket sender(nullptr, QString());
    QVERIFY(sender.sendCommand(cmd, payload, playerServerName));
}

bool tst_Browse::heardWith(uint cmd, const QString &text, int timeoutMs)
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

void tst_Browse::screenshot(const QString &name)
{
    // MVP_SCREENSHOT_DIR asks for pictures of the pages, for people to look at.
    const QString dir = qEnvironmentVariable("MVP_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(window->grab().save(QDir(dir).filePath(name + QStringLiteral(".png"))));
}

void tst_Browse::searchFromCompanionAndPlayAClickedRow()
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

void tst_Browse::historyFromCompanion()
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

void tst_Browse::topListAndRelated()
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

QTEST_MAIN(tst_Browse)
#include "tst_browse.moc"
