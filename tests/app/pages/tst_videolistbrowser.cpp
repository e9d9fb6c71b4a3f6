#include "pagescript.h"
#include "fakehttpserver.h"
#include "pages/videolistbrowser.h"

#include <httplib.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QWebEngineSettings>
#include <QtTest>

namespace {

const char *const listPagePath = "/sonvara/yt_videos.html";

// A stand-in list page that records every call it receives.
const char *const recordingPage = R"(<html><body><script>
var calls = [];
var injected = false;
function loadVideos() { calls.push('loadVideos:' + AppBrowserEvents.json); }
function mostPopularVideos() { calls.push('mostPopularVideos'); }
function mostViewedVideos() { calls.push('mostViewedVideos'); }
function mostRecentVideos() { calls.push('mostRecentVideos'); }
function topRatedVideos() { calls.push('topRatedVideos'); }
function topFavVideos() { calls.push('topFavVideos'); }
function relatedVideos(id) { calls.push('relatedVideos:' + id); }
function searchVideos(text) { calls.push('searchVideos:' + text); }
</script></body></html>)";

QStringList recordedCalls(VideoListBrowser &browser)
{
    return evaluateInPage(browser.page(), QStringLiteral("calls")).toStringList();
}

QSharedPointer<VideoRecord> makeRecord(int n)
{
    auto record = QSharedPointer<VideoRecord>::create();
    record->fromJson(QStringLiteral("{\"id\":\"v%1\",\"url\":\"http://h/watch?v=v%1\","
                                    "\"title\":\"Title %1\",\"thumbnail\":\"http://h/v%1.jpg\","
                                    "\"duration\":\"%1\"}")
                         .arg(n));
    return record;
}

QString entryText(int n)
{
    return QStringLiteral("{\"duration\":\"%1\",\"id\":\"v%1\",\"thumbnail\":\"http://h/v%1.jpg\","
                          "\"title\":\"Title %1\",\"url\":\"http://h/watch?v=v%1\"}")
        .arg(n);
}

QString listText(const QList<int> &numbers)
{
    QStringList entries;
    for (int n : numbers)
        entries << entryText(n);
    return QStringLiteral("{\"entry\":[%1]}").arg(entries.join(QLatin1Char(',')));
}

} // namespace

class tst_VideoListBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstRequestLoadsPageOnce();
    void categoryScripts_data();
    void categoryScripts();
    void requests_data();
    void requests();
    void textsReachThePageAsData_data();
    void textsReachThePageAsData();
    void clickOnPage();
    void videoListToJson_data();
    void videoListToJson();
    void unsetFieldsWrittenAsNull();

private:
    bool loadListPage(VideoListBrowser &browser);
    bool setControl(VideoListBrowser &browser, bool held);
    int listPageRequests() const;

    QTemporaryDir settingsDir;
    FakeHttpServer server;
};

void tst_VideoListBrowser::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QCoreApplication::setOrganizationName(QStringLiteral("QuorbelTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_videolistbrowser"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content(recordingPage, "text/html");
    });
    QSettings().setValue(QStringLiteral("hosts/maker"),
                         QStringLiteral("127.0.0.1:%1").arg(server.port()));
}

void tst_VideoListBrowser::init()
{
    server.clearRequests();
}

void tst_VideoListBrowser::cleanup()
{
    // A failed step must not leave Ctrl held for the next test.
    if (QApplication::keyboardModifiers() != Qt::NoModifier) {
        QWidget widget;
        QTest::keyRelease(&widget, Qt::Key_Control, Qt::NoModifier);
    }
}

bool tst_VideoListBrowser::loadListPage(VideoListBrowser &browser)
{
    QSignalSpy ready(&browser, &VideoListBrowser::signal_browserReady);
    browser.requestPage();
    return (ready.wait(5000) || !ready.isEmpty()) && browser.isReady();
}

// Qt Test's key events set the modifier state that QApplication::keyboardModifiers() reports.
bool tst_VideoListBrowser::setControl(VideoListBrowser &browser, bool held)
{
    if (held)
        QTest::keyPress(&browser, Qt::Key_Control, Qt::ControlModifier);
    else
        QTest::keyRelease(&browser, Qt::Key_Control, Qt::NoModifier);
    return QApplication::keyboardModifiers().testFlag(Qt::ControlModifier) == held;
}

int tst_VideoListBrowser::listPageRequests() const
{
    int count = 0;
    for (const FakeHttpServer::Recorded &request : server.requests()) {
        if (request.path == QLatin1String(listPagePath))
            ++count;
    }
    return count;
}

void tst_VideoListBrowser::firstRequestLoadsPageOnce()
{
    VideoListBrowser browser;
    QSignalSpy progress(&browser, &VideoListBrowser::signal_loadProgress);
    QStringList callsAtReady{QStringLiteral("not ready yet")};
    connect(&browser, &VideoListBrowser::signal_browserReady, this,
            [&] { callsAtReady = recordedCalls(browser); });

    QVERIFY(!browser.isPageRequested());
    browser.showCategory(VideoListBrowser::TopRated);
    QVERIFY(browser.isPageRequested());
    // A second request while the page loads must not start the load over.
    browser.search(QStringLiteral("abc"));

    QTRY_COMPARE_WITH_TIMEOUT(recordedCalls(browser),
                              QStringList({"topRatedVideos", "searchVideos:abc"}), 5000);
    QCOMPARE(callsAtReady, QStringList());
    QCOMPARE(listPageRequests(), 1);
    QVERIFY(!progress.isEmpty());
    for (const QList<QVariant> &args : progress)
        QCOMPARE(args.at(0).toString(), QStringLiteral("Loading..."));

    browser.requestPage();
    browser.showCategory(VideoListBrowser::MostPopular);
    QCOMPARE(recordedCalls(browser).last(), QStringLiteral("mostPopularVideos"));
    QCOMPARE(listPageRequests(), 1);
}

void tst_VideoListBrowser::categoryScripts_data()
{
    QTest::addColumn<int>("category");
    QTest::addColumn<QString>("script");

    QTest::newRow("most popular") << 1 << "mostPopularVideos()";
    QTest::newRow("most viewed") << 2 << "mostViewedVideos()";
    QTest::newRow("most recent") << 3 << "mostRecentVideos()";
    QTest::newRow("top rated") << 4 << "topRatedVideos()";
    QTest::newRow("top fav") << 5 << "topFavVideos()";
    QTest::newRow("zero") << 0 << "";
    QTest::newRow("unknown") << 9 << "";
    QTest::newRow("negative") << -1 << "";
}

void tst_VideoListBrowser::categoryScripts()
{
    QFETCH(int, category);
    QFETCH(QString, script);

    QCOMPARE(VideoListBrowser::categoryScript(category), script);
}

void tst_VideoListBrowser::requests_data()
{
    // Each step is "<kind>:<argument>"; a leading "ctrl+" holds Ctrl during the step.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("every category")
        << QStringList({"category:1", "category:2", "category:3", "category:4", "category:5"})
        << QStringList({"mostPopularVideos", "mostViewedVideos", "mostRecentVideos",
                        "topRatedVideos", "topFavVideos"});
    QTest::newRow("unknown category") << QStringList({"category:9"}) << QStringList();
    QTest::newRow("same search twice")
        << QStringList({"search:abc", "search:abc"}) << QStringList({"searchVideos:abc"});
    QTest::newRow("same search after a top list")
        << QStringList({"search:abc", "category:1", "search:abc"})
        << QStringList({"searchVideos:abc", "mostPopularVideos"});
    QTest::newRow("other search") << QStringList({"search:abc", "search:abd", "search:abc"})
                                  << QStringList({"searchVideos:abc", "searchVideos:abd",
                                                  "searchVideos:abc"});
    QTest::newRow("empty search") << QStringList({"search:", "ctrl+search:"}) << QStringList();
    QTest::newRow("search with ctrl")
        << QStringList({"ctrl+search:abc"}) << QStringList({"mostPopularVideos"});
    QTest::newRow("search with ctrl remembers the text")
        << QStringList({"ctrl+search:abc", "search:abc"}) << QStringList({"mostPopularVideos"});
    QTest::newRow("ctrl does not repeat a search")
        << QStringList({"search:abc", "ctrl+search:abc"}) << QStringList({"searchVideos:abc"});
    QTest::newRow("same related twice")
        << QStringList({"related:v1", "related:v1"}) << QStringList({"relatedVideos:v1"});
    QTest::newRow("same related with ctrl")
        << QStringList({"related:v1", "ctrl+related:v1"})
        << QStringList({"relatedVideos:v1", "relatedVideos:v1"});
    QTest::newRow("other related")
        << QStringList({"related:v1", "related:v2", "related:v1"})
        << QStringList({"relatedVideos:v1", "relatedVideos:v2", "relatedVideos:v1"});
    QTest::newRow("empty related") << QStringList({"related:", "ctrl+related:"}) << QStringList();
    QTest::newRow("list") << QStringList({"videos:{\"entry\":[]}"})
                          << QStringList({"loadVideos:{\"entry\":[]}"});
    QTest::newRow("same list twice")
        << QStringList({"videos:{\"entry\":[]}", "videos:{\"entry\":[]}"})
        << QStringList({"loadVideos:{\"entry\":[]}"});
    QTest::newRow("other list") << QStringList({"videos:{}", "videos:{\"entry\":[]}"})
                                << QStringList({"loadVideos:{}", "loadVideos:{\"entry\":[]}"});
    QTest::newRow("empty list text") << QStringList({"videos:"}) << QStringList();
}

void tst_VideoListBrowser::requests()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, calls);

    VideoListBrowser browser;
    QVERIFY(loadListPage(browser));
    for (QString step : steps) {
        const bool ctrl = step.startsWith(QLatin1String("ctrl+"));
        if (ctrl) {
            step.remove(0, 5);
            QVERIFY(setControl(browser, true));
        }
        const int colon = step.indexOf(QLatin1Char(':'));
        const QString kind = step.left(colon);
        const QString argument = step.mid(colon + 1);
        if (kind == QLatin1String("category"))
            browser.showCategory(argument.toInt());
        else if (kind == QLatin1String("search"))
            browser.search(argument);
        else if (kind == QLatin1String("related"))
            browser.showRelated(argument);
        else if (kind == QLatin1String("videos"))
            browser.setVideos(argument);
        else
            QFAIL(qPrintable(step));
        if (ctrl)
            QVERIFY(setControl(browser, false));
    }
    // A ready page runs each call at once.
    QCOMPARE(recordedCalls(browser), calls);
    QCOMPARE(listPageRequests(), 1);
}

void tst_VideoListBrowser::textsReachThePageAsData_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("apostrophes") << "rock 'n' roll";
    QTest::newRow("closing the call") << "x');injected=true;('";
    QTest::newRow("backslash before apostrophe") << "a\\');injected=true;//";
    QTest::newRow("line break") << "a\nb');injected=true;//";
    QTest::newRow("line separator") << QStringLiteral("a\u2028b');injected=true;//");
    QTest::newRow("quotes and unicode") << QStringLiteral("\"K\u00e4the\" \u266b");
}

void tst_VideoListBrowser::textsReachThePageAsData()
{
    QFETCH(QString, text);

    VideoListBrowser browser;
    QVERIFY(loadListPage(browser));
    browser.search(text);
    browser.showRelated(text);
    QCOMPARE(recordedCalls(browser), QStringList({QStringLiteral("searchVideos:") + text,
                                                  QStringLiteral("relatedVideos:") + text}));
    QCOMPARE(evaluateInPage(browser.page(), QStringLiteral("injected")).toBool(),
             false);
}

void tst_VideoListBrowser::clickOnPage()
{
    VideoListBrowser browser;
    QVERIFY(loadListPage(browser));
    QSignalSpy clicked(&browser, &VideoListBrowser::signal_videoClicked);
    evaluateInPage(browser.page(), QStringLiteral("AppBrowserEvents.slot_videoClicked('v1')"));
    QTRY_COMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toString(), QStringLiteral("v1"));
}

void tst_VideoListBrowser::videoListToJson_data()
{
    QTest::addColumn<int>("recordCount");
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<QString>("json");

    QTest::newRow("five, at most three") << 5 << 3 << listText({5, 4, 3});
    QTest::newRow("at most one") << 3 << 1 << listText({3});
    QTest::newRow("limit above the size") << 2 << 10 << listText({2, 1});
    QTest::newRow("limit equal to the size") << 3 << 3 << listText({3, 2, 1});
    QTest::newRow("zero means no limit") << 3 << 0 << listText({3, 2, 1});
    QTest::newRow("negative means no limit") << 3 << -1 << listText({3, 2, 1});
    QTest::newRow("no records") << 0 << 20 << "{}";
}

void tst_VideoListBrowser::videoListToJson()
{
    QFETCH(int, recordCount);
    QFETCH(int, maxCount);

    VideoRecordList records;
    for (int n = 1; n <= recordCount; ++n)
        records << makeRecord(n);
    QString json = QStringLiteral("old text");
    ::videoListToJson(records, json, maxCount);
    QTEST(json, "json");
}

void tst_VideoListBrowser::unsetFieldsWrittenAsNull()
{
    auto record = QSharedPointer<VideoRecord>::create();
    record->fromJson(QStringLiteral("{\"id\":\"x\",\"title\":\"It's\"}"));
    QString json;
    ::videoListToJson({record}, json, 0);
    QCOMPARE(json, QStringLiteral("{\"entry\":[{\"duration\":null,\"id\":\"x\",\"thumbnail\":null,"
                                  "\"title\":\"It\\u0027s\",\"url\":null}]}"));
}

QTEST_MAIN(tst_VideoListBrowser)
#include "tst_videolistbrowser.moc"
