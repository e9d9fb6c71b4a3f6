#include "fakehttpserver.h"
#include "pages/appbrowser.h"
#include "pages/appbrowsercommandevent.h"
#include "pages/appbrowserpage.h"
#include "pagescript.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QWebEngineSettings>
#include <QtTest>

#include <chrono>
#include <thread>

namespace {

// The page records every call it receives, in order, and what it saw of AppBrowserEvents
// while its own script ran.
const char *const recorderPage = R"(<html><head><script>
var calls = [];
function rec(x) { calls.push(x); }
var bridgeAtParse = typeof AppBrowserEvents;
</script></head><body><p>page</p></body></html>)";

class PageServer
{
public:
    // Answers every request with the recorder page.
    struct Handler
    {
        void operator()(const httplib::Request &, httplib::Response &res) const
        {
            res.set_content(recorderPage, "text/html");
        }
    };

    PageServer() { server.setHandler(Handler()); }
    QUrl url(const QString &path = QStringLiteral("/page.html")) const { return server.url(path); }

private:
    FakeHttpServer server;
};

QString eval(AppBrowser &browser, const QString &script)
{
    return evaluateInPage(browser.page(), script).toString();
}

} // namespace

class tst_AppBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<uint>("uint"); }
    void queuedCallsRunAfterLoad();
    void reloadQueuesAgain();
    void failedLoadIsRetriedUntilThePageIsThere();
    void bridgeInEveryDocument();
    void commandRelay();
    void progressTexts_data();
    void progressTexts();
    void pageRequestedFlag();
    void destroyedWhileLoading();
};

void tst_AppBrowser::queuedCallsRunAfterLoad()
{
    PageServer server;
    AppBrowser browser;
    QSignalSpy ready(&browser, &AppBrowser::signal_browserReady);
    QVERIFY(!browser.isReady());

    browser.execJavaScript(QStringLiteral("rec('a')"));
    browser.execJavaScript(QStringLiteral("rec('b')"));
    browser.execJavaScript(QStringLiteral("rec('c')"));
    // A call made the moment the page is ready runs at once, ahead of the queued calls.
    QElapsedTimer sinceReady;
    connect(&browser, &AppBrowser::signal_browserReady, this, [&] {
        sinceReady.start();
        browser.execJavaScript(QStringLiteral("rec('d')"));
    });
    browser.load(server.url());
    QVERIFY(ready.wait(10000));
    QVERIFY(browser.isReady());
    QTRY_COMPARE_WITH_TIMEOUT(eval(browser, QStringLiteral("calls.join(',')")),
                              QStringLiteral("d,a,b,c"), 5000);
    // The queue waited for its delay: the clock started after the program's timer, and the
    // calls are seen only after they ran.
    const qint64 queueRanAfterMs = sinceReady.elapsed();
    QVERIFY2(queueRanAfterMs >= AppBrowser::queuedCallsDelayMs,
             qPrintable(QString::number(queueRanAfterMs)));

    // The queue is empty now: another replay period adds nothing. A period started now ends
    // after any second replay of the program's, and the page runs the calls in order.
    bool periodOver = false;
    QTimer::singleShot(AppBrowser::queuedCallsDelayMs, &browser, [&] { periodOver = true; });
    QTRY_VERIFY_WITH_TIMEOUT(periodOver, 5000);
    QCOMPARE(eval(browser, QStringLiteral("calls.join(',')")), QStringLiteral("d,a,b,c"));
}

void tst_AppBrowser::failedLoadIsRetriedUntilThePageIsThere()
{
    int port = 0;
    {
        // A port that was free a moment ago: nothing answers there until the server below.
        FakeHttpServer probe;
        port = probe.port();
    }
    AppBrowser browser;
    QSignalSpy ready(&browser, &AppBrowser::signal_browserReady);
    QSignalSpy texts(&browser, &AppBrowser::signal_loadProgress);
    QSignalSpy started(&browser, &QWebEngineView::loadStarted);
    browser.execJavaScript(QStringLiteral("rec('queued')"));
    browser.load(QUrl(QStringLiteral("http://127.0.0.1:%1/page.html").arg(port)));

    // Three failed tries: each names the address and the next, longer, wait.
    const auto failures = [&] {
        QStringList found;
        for (const QList<QVariant> &args : qAsConst(texts)) {
            if (!args.at(0).toString().startsWith(QStringLiteral("Cannot reach")))
                continue;
            found << args.at(0).toString();
        }
        return found;
    };
    QTRY_COMPARE_WITH_TIMEOUT(failures().size(), 3, 10000);
    const QString address = QStringLiteral("127.0.0.1:%1").arg(port);
    QCOMPARE(failures(),
             (QStringList{QStringLiteral("Cannot reach %1, trying again in 1 s").arg(address),
                          QStringLiteral("Cannot reach %1, trying again in 2 s").arg(address),
                          QStringLiteral("Cannot reach %1, trying again in 4 s").arg(address)}));
    QCOMPARE(started.size(), 3);
    QVERIFY(!browser.isReady());
    QCOMPARE(ready.size(), 0);

    PageServer::Handler page;
    FakeHttpServer server(port);
    QCOMPARE(server.port(), port);
    server.setHandler(page);
    QVERIFY(ready.wait(10000));
    // The call made before the first try reaches the page that finally loaded.
    QTRY_COMPARE_WITH_TIMEOUT(eval(browser, QStringLiteral("calls.join(',')")),
                              QStringLiteral("queued"), 5000);
    QCOMPARE(started.size(), 4);
    QCOMPARE(ready.size(), 1);
}

void tst_AppBrowser::reloadQueuesAgain()
{
    PageServer server;
    AppBrowser browser;
    QSignalSpy ready(&browser, &AppBrowser::signal_browserReady);
    browser.load(server.url());
    QVERIFY(ready.wait(10000));
    browser.execJavaScript(QStringLiteral("rec('first')"));
    QCOMPARE(eval(browser, QStringLiteral("calls.join(',')")), QStringLiteral("first"));

    // A call made while the page reloads waits for the new document.
    bool readyWhileLoading = true;
    connect(&browser, &AppBrowser::signal_loadProgress, this, [&](const QString &text) {
        if (text != QLatin1String("Loading..."))
            return;
        readyWhileLoading = browser.isReady();
        browser.execJavaScript(QStringLiteral("rec('during')"));
    });
    browser.reload();
    QVERIFY(ready.wait(10000));
    QVERIFY(!readyWhileLoading);
    QCOMPARE(ready.size(), 2);
    QCOMPARE(eval(browser, QStringLiteral("calls.join(',')")), QString());
    QTRY_COMPARE_WITH_TIMEOUT(eval(browser, QStringLiteral("calls.join(',')")),
                              QStringLiteral("during"), 5000);
}

void tst_AppBrowser::bridgeInEveryDocument()
{
    PageServer server;
    AppBrowser browser;
    QSignalSpy ready(&browser, &AppBrowser::signal_browserReady);
    browser.load(server.url());
    QVERIFY(ready.wait(10000));

    // The bridge comes through the page's web channel, after the page's own first script but
    // long before the program's first call.
    QCOMPARE(eval(browser, QStringLiteral("bridgeAtParse")), QStringLiteral("undefined"));
    QTRY_COMPARE(eval(browser, QStringLiteral("typeof AppBrowserEvents")),
                 QStringLiteral("object"));
    // The page shows nothing of the widget, only what it may use.
    QCOMPARE(eval(browser, QStringLiteral("typeof AppBrowserEvents.resize")),
             QStringLiteral("undefined"));

    // A text set by the program is there for the next call, in order.
    browser.setJsonText(QStringLiteral("{\"entry\":[]}"));
    QCOMPARE(eval(browser, QStringLiteral("AppBrowserEvents.json")),
             QStringLiteral("{\"entry\":[]}"));
    browser.setJsonText(QStringLiteral("{\"entry\":[{\"id\":\"it's\"}]}"));
    QCOMPARE(eval(browser, QStringLiteral("AppBrowserEvents.json")),
             QStringLiteral("{\"entry\":[{\"id\":\"it's\"}]}"));
    // A text set by the page reaches the program.
    eval(browser, QStringLiteral("AppBrowserEvents.html = '<b>from page</b>'"));
    QTRY_COMPARE(browser.htmlText(), QStringLiteral("<b>from page</b>"));
    QCOMPARE(browser.property("html").toString(), QStringLiteral("<b>from page</b>"));

    // A new document gets the bridge again, with the texts as they are.
    browser.load(server.url(QStringLiteral("/second.html")));
    QVERIFY(ready.wait(10000));
    QTRY_COMPARE(eval(browser, QStringLiteral("typeof AppBrowserEvents")),
                 QStringLiteral("object"));
    QCOMPARE(eval(browser, QStringLiteral("AppBrowserEvents.json")),
             QStringLiteral("{\"entry\":[{\"id\":\"it's\"}]}"));

    // A document written anew from within the page keeps it too.
    eval(browser, QStringLiteral("document.open(); document.write('<p>new</p>'); "
                                 "document.close();"));
    QCOMPARE(eval(browser, QStringLiteral("typeof AppBrowserEvents")), QStringLiteral("object"));
}

void tst_AppBrowser::commandRelay()
{
    AppBrowser browser;
    QSignalSpy relayed(&browser, &AppBrowser::signal_NotifyServer);
    QCoreApplication::postEvent(browser.page(), new AppBrowserCommandEvent(3));
    QCoreApplication::postEvent(browser.page(), new AppBrowserCommandEvent(4));
    QCoreApplication::processEvents();
    QCOMPARE(relayed.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(relayed.size(), 2, 3000);
    QCOMPARE(relayed.at(0).at(0).toUInt(), 3u);
    QCOMPARE(relayed.at(1).at(0).toUInt(), 4u);

    // Other event types are not relayed, and a stray relay call with nothing pending is
    // ignored: the command posted after them is the only one relayed.
    QCoreApplication::postEvent(browser.page(), new QEvent(QEvent::Type(QEvent::User + 2)));
    QCoreApplication::postEvent(browser.page(), new AppBrowserCommandEvent(24));
    QTRY_COMPARE_WITH_TIMEOUT(relayed.size(), 3, 3000);
    QCOMPARE(relayed.at(2).at(0).toUInt(), 24u);
    static_cast<AppBrowserPage *>(browser.page())->slot_NotifyServer();
    QCOMPARE(relayed.size(), 3);
}

void tst_AppBrowser::progressTexts_data()
{
    QTest::addColumn<bool>("showProgress");
    QTest::newRow("with progress") << true;
    QTest::newRow("without progress") << false;
}

void tst_AppBrowser::progressTexts()
{
    QFETCH(bool, showProgress);
    PageServer server;
    AppBrowser browser;
    browser.setShowLoadProgress(showProgress);
    QSignalSpy texts(&browser, &AppBrowser::signal_loadProgress);
    QSignalSpy ready(&browser, &AppBrowser::signal_browserReady);
    browser.load(server.url());
    QVERIFY(ready.wait(10000));

    QVERIFY(!texts.isEmpty());
    QCOMPARE(texts.first().at(0).toString(), QStringLiteral("Loading..."));
    QStringList rest;
    for (int i = 1; i < texts.size(); ++i)
        rest.append(texts.at(i).at(0).toString());
    if (!showProgress) {
        QCOMPARE(rest, QStringList());
        return;
    }
    QVERIFY(!rest.isEmpty());
    const QRegularExpression percent(QStringLiteral("^Loading \\((\\d+)%\\)$"));
    for (const QString &text : rest)
        QVERIFY2(percent.match(text).hasMatch(), qPrintable(text));
    QCOMPARE(rest.last(), QStringLiteral("Loading (100%)"));
}

void tst_AppBrowser::pageRequestedFlag()
{
    AppBrowser browser;
    QVERIFY(!browser.isPageRequested());
    browser.setPageRequested();
    QVERIFY(browser.isPageRequested());
    QVERIFY(browser.settings()->testAttribute(QWebEngineSettings::PluginsEnabled));
    // The player page starts videos by script, with no click in the page.
    QVERIFY(!browser.settings()->testAttribute(QWebEngineSettings::PlaybackRequiresUserGesture));
    QVERIFY(qobject_cast<AppBrowserPage *>(browser.page()));
}

void tst_AppBrowser::destroyedWhileLoading()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        res.set_content(recorderPage, "text/html");
    });
    auto *browser = new AppBrowser;
    QSignalSpy started(browser, &QWebEngineView::loadStarted);
    browser->execJavaScript(QStringLiteral("rec('never')"));
    browser->load(server.url(QStringLiteral("/slow")));
    QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, 10000);
    QSignalSpy ready(browser, &AppBrowser::signal_browserReady);
    delete browser;
    // Whatever the page reports on the way out, the half-destroyed browser takes no notice:
    // it neither reports readiness nor schedules its queued scripts.
    QTest::qWait(500);
    QCOMPARE(ready.size(), 0);
}

QTEST_MAIN(tst_AppBrowser)
#include "tst_appbrowser.moc"
