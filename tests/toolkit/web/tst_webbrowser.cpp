#include "fakehttpserver.h"
#include "networkaccessmanager.h"
#include "webbrowser.h"
#include "webpage.h"

#include <httplib.h>

#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QWebFrame>
#include <QWheelEvent>
#include <QtTest>

#include <chrono>
#include <thread>

using QT_EXT::WebBrowser;

namespace {

// Opens the protected hand-over slot to the test.
class ProbeBrowser : public WebBrowser
{
public:
    using WebBrowser::slot_startDownload;
    QLabel *label() const { return statusLabel; }
};

QNetworkReply *fetch(QNetworkAccessManager &manager, const QUrl &url)
{
    QNetworkReply *reply = manager.get(QNetworkRequest(url));
    QSignalSpy done(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        done.wait(10000);
    return reply;
}

} // namespace

class tst_WebBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void ctrlWheelZoom_data();
    void ctrlWheelZoom();
    void plainWheelHidesStatus();
    void attachmentFileName_data();
    void attachmentFileName();
    void attachmentFromPage();
    void statusLabel();
    void statusLabelTimeout();
    void linkHoverShowsAddress();
    void loadHooksAndFlags();
    void setupPageRunsOnce();
    void scriptsAndDocument();
    void userAgent();
    void destroyedWhileLoading();
    void destructionMakesNoPage();
    void navigationHook_data();
    void navigationHook();
};

void tst_WebBrowser::initTestCase()
{
    qRegisterMetaType<QNetworkReply *>();
}

void tst_WebBrowser::ctrlWheelZoom_data()
{
    QTest::addColumn<int>("delta");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<double>("change");
    QTest::newRow("notch up") << 120 << true << 0.1;
    QTest::newRow("two notches up") << 240 << true << 0.2;
    QTest::newRow("half notch") << 60 << true << 0.0;
    QTest::newRow("notch down") << -120 << true << -0.1;
    QTest::newRow("small negative") << -119 << true << 0.0;
    QTest::newRow("three notches down") << -360 << true << -0.3;
    QTest::newRow("no ctrl") << 240 << false << 0.0;
}

void tst_WebBrowser::ctrlWheelZoom()
{
    QFETCH(int, delta);
    QFETCH(bool, ctrl);
    QFETCH(double, change);

    WebBrowser browser;
    browser.resize(300, 200);
    browser.setHtml(QStringLiteral("<p>text</p>"));
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    const qreal before = browser.textSizeMultiplier();

    // The key state comes from the application, as it does when a user holds Ctrl.
    if (ctrl)
        QTest::keyPress(browser.windowHandle(), Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(bool(QApplication::keyboardModifiers() & Qt::ControlModifier), ctrl);
    const QPointF pos(50, 50);
    QWheelEvent wheel(pos, browser.mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, delta),
                      Qt::NoButton, ctrl ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&browser, &wheel);
    if (ctrl) {
        QVERIFY(wheel.isAccepted());
        QTest::keyRelease(browser.windowHandle(), Qt::Key_Control, Qt::NoModifier);
    }
    QVERIFY(qAbs(browser.textSizeMultiplier() - (before + change)) < 1e-6);
}

void tst_WebBrowser::plainWheelHidesStatus()
{
    ProbeBrowser browser;
    browser.resize(300, 200);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    browser.showStatusMessage(QStringLiteral("hello"), 0);
    QVERIFY(browser.label()->isVisible());
    const QPointF pos(50, 50);
    QWheelEvent wheel(pos, browser.mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&browser, &wheel);
    QVERIFY(!browser.label()->isVisible());
    QCOMPARE(browser.textSizeMultiplier(), 1.0);
}

void tst_WebBrowser::attachmentFileName_data()
{
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<QString>("disposition");
    QTest::addColumn<bool>("emitted");
    QTest::addColumn<QString>("fileName");

    const QString binary = QStringLiteral("application/octet-stream");
    QTest::newRow("plain name") << binary << QStringLiteral("attachment; filename=clip.mp4") << true
                                << QStringLiteral("clip.mp4");
    QTest::newRow("quoted name") << binary
                                 << QStringLiteral("attachment; filename=\"clip one.flv\"") << true
                                 << QStringLiteral("clipone.flv");
    QTest::newRow("blank inside name")
        << binary << QStringLiteral("attachment; filename=my video.mp4") << true
        << QStringLiteral("myvideo.mp4");
    QTest::newRow("name after other part")
        << binary << QStringLiteral("attachment; size=12; filename=a.webm") << true
        << QStringLiteral("a.webm");
    QTest::newRow("attachment alone")
        << binary << QStringLiteral("attachment") << true << QString();
    QTest::newRow("no filename part")
        << binary << QStringLiteral("attachment; creation-date=x") << true << QString();
    QTest::newRow("inline") << binary << QStringLiteral("inline; filename=page.html") << false
                            << QString();
    QTest::newRow("upper case attachment")
        << binary << QStringLiteral("Attachment; filename=x.mp4") << false << QString();
    QTest::newRow("no disposition") << binary << QString() << true << QString();
    // The sender names the file; where it goes is not the sender's choice.
    QTest::newRow("parent folders")
        << binary << QStringLiteral("attachment; filename=\"../../.profile\"") << true
        << QStringLiteral(".profile");
    QTest::newRow("absolute path")
        << binary << QStringLiteral("attachment; filename=/etc/cron.d/job") << true
        << QStringLiteral("job");
    QTest::newRow("backslash path")
        << binary << QStringLiteral("attachment; filename=..\\..\\run.bat") << true
        << QStringLiteral("run.bat");
    QTest::newRow("parent folder alone")
        << binary << QStringLiteral("attachment; filename=..") << true << QString();
    QTest::newRow("no content type")
        << QString() << QStringLiteral("attachment; filename=x.mp4") << false << QString();
}

void tst_WebBrowser::attachmentFileName()
{
    QFETCH(QString, contentType);
    QFETCH(QString, disposition);
    QFETCH(bool, emitted);
    QFETCH(QString, fileName);

    // The test server always names a content type, so the reply without one comes from a
    // local file, which has a length but no type.
    FakeHttpServer server;
    const std::string body(1234, 'v');
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        if (!disposition.isEmpty())
            res.set_header("Content-Disposition", disposition.toStdString());
        res.set_content(body, contentType.toStdString().c_str());
    });
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("local.bin")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(body));
    file.close();

    QNetworkAccessManager manager;
    QPointer<QNetworkReply> reply =
        fetch(manager, contentType.isEmpty() ? QUrl::fromLocalFile(file.fileName())
                                             : server.url(QStringLiteral("/file")));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).isValid(), !contentType.isEmpty());

    ProbeBrowser browser;
    QSignalSpy spy(&browser, &WebBrowser::signal_downloadAttachment);
    browser.slot_startDownload(reply.data());
    QCOMPARE(spy.size(), emitted ? 1 : 0);
    if (emitted) {
        QCOMPARE(spy.first().at(0).value<QNetworkReply *>(), reply.data());
        QCOMPARE(spy.first().at(1).toULongLong(), qulonglong(1234));
        QCOMPARE(spy.first().at(2).toString(), fileName);
    }
    // The reply is released either way: once the receivers had it, or at once when it is no
    // attachment.
    QTRY_VERIFY(reply.isNull());
}

void tst_WebBrowser::attachmentFromPage()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &req, httplib::Response &res) {
        if (req.path == "/get.bin") {
            res.set_header("Content-Disposition", "attachment; filename=\"song.mp3\"");
            res.set_content(std::string(77, 'x'), "application/octet-stream");
        } else {
            res.set_content("<html><body>page</body></html>", "text/html");
        }
    });
    WebBrowser browser;
    browser.setupPage(nullptr, false, false);
    QSignalSpy spy(&browser, &WebBrowser::signal_downloadAttachment);
    browser.load(server.url(QStringLiteral("/get.bin")));
    QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 1, 10000);
    QCOMPARE(spy.first().at(1).toULongLong(), qulonglong(77));
    QCOMPARE(spy.first().at(2).toString(), QStringLiteral("song.mp3"));
}

void tst_WebBrowser::statusLabel()
{
    ProbeBrowser browser;
    browser.resize(200, 150);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    QLabel *label = browser.label();
    QVERIFY(label);
    QVERIFY(!label->isVisible());
    QCOMPARE(label->margin(), 2);
    QVERIFY(label->styleSheet().contains(QStringLiteral("font-family: \"Segoe UI\",tahoma")));

    browser.showStatusMessage(QStringLiteral("short"), 0);
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), QStringLiteral("short"));
    QCOMPARE(label->x(), 0);
    QCOMPARE(label->y() + label->height(), browser.height());
    QVERIFY(label->width() < browser.width());

    browser.showStatusMessage(QString(400, QLatin1Char('w')), 0);
    QCOMPARE(label->width(), browser.width());
    QCOMPARE(label->y() + label->height(), browser.height());

    browser.showStatusMessage(QString(), 0);
    QVERIFY(!label->isVisible());
}

void tst_WebBrowser::statusLabelTimeout()
{
    ProbeBrowser browser;
    browser.resize(200, 150);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    browser.showStatusMessage(QStringLiteral("brief"), 50);
    QVERIFY(browser.label()->isVisible());
    QTRY_VERIFY(!browser.label()->isVisible());
}

void tst_WebBrowser::linkHoverShowsAddress()
{
    ProbeBrowser browser;
    browser.resize(300, 150);
    browser.setupPage(nullptr, false, false);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    emit browser.page()->linkHovered(QStringLiteral("http://example.invalid/a"),
                                     QStringLiteral("t"), QStringLiteral("c"));
    QVERIFY(browser.label()->isVisible());
    QCOMPARE(browser.label()->text(), QStringLiteral("http://example.invalid/a"));
    QTest::qWait(100);
    QVERIFY(browser.label()->isVisible()); // no time-out for hovered links
    emit browser.page()->linkHovered(QString(), QString(), QString());
    QVERIFY(!browser.label()->isVisible());
}

void tst_WebBrowser::loadHooksAndFlags()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content("<html><body><a id='l' href='/next'>next</a></body></html>", "text/html");
    });
    ProbeBrowser browser;
    browser.resize(300, 150);
    browser.enableLoadSignals();
    QVERIFY(!browser.isLoaded() && !browser.isLoading());
    QSignalSpy started(&browser, &WebBrowser::signal_PageLoadStarted);
    QSignalSpy finished(&browser, &WebBrowser::signal_PageLoadFinished);
    browser.setUrlText(server.url(QStringLiteral("/start")).toString());
    QCOMPARE(browser.urlText(), server.url(QStringLiteral("/start")).toString());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started.first().at(0).value<WebBrowser *>(), static_cast<WebBrowser *>(&browser));
    QVERIFY(browser.isLoaded() && !browser.isLoading());
    QCOMPARE(browser.label()->text(), QStringLiteral("Finished"));

    // A failed load still counts as finished.
    browser.load(QUrl(QStringLiteral("http://127.0.0.1:1/none")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 10000);
    QVERIFY(browser.isLoaded() && !browser.isLoading());
}

void tst_WebBrowser::setupPageRunsOnce()
{
    WebBrowser browser;
    browser.setupPage(nullptr, true, false);
    QWebPage *first = browser.page();
    QVERIFY(qobject_cast<QT_EXT::WebPage *>(first));
    QCOMPARE(first->networkAccessManager(),
             static_cast<QNetworkAccessManager *>(QT_EXT::NetworkAccessManager::shared()));
    QVERIFY(first->settings()->testAttribute(QWebSettings::PluginsEnabled));
    QVERIFY(!first->settings()->testAttribute(QWebSettings::JavascriptCanOpenWindows));

    auto *other = new QT_EXT::WebPage(&browser);
    browser.setupPage(other, false, true);
    QCOMPARE(browser.page(), first);
    QVERIFY(first->settings()->testAttribute(QWebSettings::PluginsEnabled));
}

void tst_WebBrowser::scriptsAndDocument()
{
    WebBrowser browser;
    QSignalSpy loaded(&browser, &QWebView::loadFinished);
    browser.setHtml(QStringLiteral("<html><body><a id='l' href='#x'>x</a></body></html>"));
    QTRY_COMPARE(loaded.size(), 1);
    QVERIFY(!browser.documentElement().isNull());
    QCOMPARE(browser.documentElement().tagName(), QStringLiteral("HTML"));
    QVERIFY(browser.runJavaScript(QStringLiteral("document.body.setAttribute('data-ran', 'yes')")));
    QCOMPARE(browser.documentElement()
                 .findFirst(QStringLiteral("body"))
                 .attribute(QStringLiteral("data-ran")),
             QStringLiteral("yes"));

    browser.page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("document.getElementById('l').focus()"));
    browser.clearFocusedLink();
    QVERIFY(browser.page()->mainFrame()->findFirstElement(QStringLiteral("a:focus")).isNull());
}

void tst_WebBrowser::userAgent()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content("<html></html>", "text/html");
    });
    WebBrowser browser;
    browser.setupPage(nullptr, false, false);
    browser.setUserAgent(QStringLiteral("TestAgent/1.0"));
    QSignalSpy loaded(&browser, &QWebView::loadFinished);
    browser.load(server.url(QStringLiteral("/ua")));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 10000);
    QCOMPARE(server.requests().last().header("User-Agent"), QByteArray("TestAgent/1.0"));

    // Requests through the shared manager carry its marks.
    QCOMPARE(QT_EXT::NetworkAccessManager::shared()->currentCacheLoadControl(),
             int(QNetworkRequest::PreferNetwork));
}

void tst_WebBrowser::destroyedWhileLoading()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        res.set_content("<html><body>slow</body></html>", "text/html");
    });
    for (bool ownPage : {false, true}) {
        auto *browser = new WebBrowser;
        if (ownPage)
            browser->setupPage(nullptr, false, false);
        QSignalSpy started(browser, &QWebView::loadStarted);
        browser->load(server.url(QStringLiteral("/slow")));
        QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, 10000);
        QVERIFY(browser->isLoading());
        QPointer<QWebPage> page = browser->page();
        QSignalSpy pageFinished(page.data(), &QWebPage::loadFinished);
        QSignalSpy viewFinished(browser, &QWebView::loadFinished);
        delete browser;
        // The page ends its load while the view goes away; the half-destroyed view hears
        // nothing of it, and the page goes with the view.
        QCOMPARE(pageFinished.size(), 1);
        QCOMPARE(viewFinished.size(), 0);
        QVERIFY(page.isNull());
    }
}

void tst_WebBrowser::destructionMakesNoPage()
{
    // A view that never had a page must not make one on its way out.
    class ChildCounter : public QObject
    {
    public:
        int added = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::ChildAdded)
                ++added;
            return false;
        }
    } counter;
    auto *browser = new WebBrowser;
    browser->installEventFilter(&counter);
    delete browser;
    QCOMPARE(counter.added, 0);
}

void tst_WebBrowser::navigationHook_data()
{
    QTest::addColumn<bool>("refuse");
    QTest::newRow("accepted") << false;
    QTest::newRow("refused") << true;
}

void tst_WebBrowser::navigationHook()
{
    QFETCH(bool, refuse);
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &req, httplib::Response &res) {
        res.set_content("<html><body><a id='l' href='/next'>next</a><p id='p'>" + req.path +
                            "</p></body></html>",
                        "text/html");
    });
    WebBrowser browser;
    browser.setupPage(nullptr, false, false);
    auto *page = qobject_cast<QT_EXT::WebPage *>(browser.page());
    QVERIFY(page);
    QList<QUrl> asked;
    connect(page, &QT_EXT::WebPage::signal_acceptNavigationRequest, &browser,
            [&](QWebFrame *, QNetworkRequest request, QWebPage::NavigationType type, bool &accept) {
                QCOMPARE(type, QWebPage::NavigationTypeLinkClicked);
                asked.append(request.url());
                if (refuse)
                    accept = false;
            });
    QSignalSpy loaded(&browser, &QWebView::loadFinished);
    browser.load(server.url(QStringLiteral("/first")));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 10000);
    QVERIFY(asked.isEmpty()); // only link clicks are reported

    browser.page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("document.getElementById('l').click()"));
    QTRY_COMPARE_WITH_TIMEOUT(asked.size(), 1, 5000);
    QCOMPARE(asked.first(), server.url(QStringLiteral("/next")));
    if (refuse) {
        QTest::qWait(300);
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(browser.url(), server.url(QStringLiteral("/first")));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 10000);
        QCOMPARE(browser.url(), server.url(QStringLiteral("/next")));
    }
}

QTEST_MAIN(tst_WebBrowser)
#include "tst_webbrowser.moc"
