#include "certificatetrust.h"
#include "contentdisposition.h"
#include "dialoganswerer.h"
#include "fakehttpserver.h"
#include "pagescript.h"
#include "tlstestserver.h"
#include "webbrowser.h"
#include "webpage.h"
#include "webprofile.h"

#include <httplib.h>

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWheelEvent>
#include <QtTest>

#include <chrono>
#include <thread>

using QT_EXT::WebBrowser;

namespace {

// Opens the status label to the test.
class ProbeBrowser : public WebBrowser
{
public:
    QLabel *label() const { return statusLabel; }
};

bool loadAndWait(WebBrowser &browser, const QUrl &url)
{
    QSignalSpy loaded(&browser, &QWebEngineView::loadFinished);
    browser.load(url);
    return loaded.wait(15000) && loaded.first().first().toBool();
}

QString bodyText(WebBrowser &browser)
{
    return evaluateInPage(browser.page(),
                          QStringLiteral("document.body ? document.body.textContent : ''"))
        .toString();
}

} // namespace

class tst_WebBrowser : public QObject
{
    Q_OBJECT

private slots:
    void ctrlWheelZoom_data();
    void ctrlWheelZoom();
    void plainWheelHidesStatus();
    void attachmentFileName_data();
    void attachmentFileName();
    void attachmentFromPage_data();
    void attachmentFromPage();
    void acceptedDownloadWritesTheFile();
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
    void certificateQuestion_data();
    void certificateQuestion();
    void authenticationDialog_data();
    void authenticationDialog();
};

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
    const qreal before = browser.zoomFactor();

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
    QVERIFY(qAbs(browser.zoomFactor() - (before + change)) < 1e-6);
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
    QCOMPARE(browser.zoomFactor(), 1.0);
}

void tst_WebBrowser::attachmentFileName_data()
{
    QTest::addColumn<QString>("disposition");
    QTest::addColumn<bool>("attachment");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("plain name") << QStringLiteral("attachment; filename=clip.mp4") << true
                                << QStringLiteral("clip.mp4");
    QTest::newRow("quoted name") << QStringLiteral("attachment; filename=\"clip one.flv\"") << true
                                 << QStringLiteral("clipone.flv");
    QTest::newRow("blank inside name") << QStringLiteral("attachment; filename=my video.mp4")
                                       << true << QStringLiteral("myvideo.mp4");
    QTest::newRow("name after other part") << QStringLiteral("attachment; size=12; filename=a.webm")
                                           << true << QStringLiteral("a.webm");
    QTest::newRow("attachment alone") << QStringLiteral("attachment") << true << QString();
    QTest::newRow("no filename part")
        << QStringLiteral("attachment; creation-date=x") << true << QString();
    QTest::newRow("inline") << QStringLiteral("inline; filename=page.html") << false << QString();
    QTest::newRow("upper case attachment")
        << QStringLiteral("Attachment; filename=x.mp4") << false << QString();
    // The sender names the file; where it goes is not the sender's choice.
    QTest::newRow("parent folders") << QStringLiteral("attachment; filename=\"../../.profile\"")
                                    << true << QStringLiteral(".profile");
    QTest::newRow("absolute path")
        << QStringLiteral("attachment; filename=/etc/cron.d/job") << true << QStringLiteral("job");
    QTest::newRow("backslash path") << QStringLiteral("attachment; filename=..\\..\\run.bat")
                                    << true << QStringLiteral("run.bat");
    QTest::newRow("parent folder alone")
        << QStringLiteral("attachment; filename=..") << true << QString();
    // filename* carries charset'language'percent-encoded bytes; the name is what they decode to.
    QTest::newRow("extended name")
        << QStringLiteral("attachment; filename*=UTF-8''x") << true << QStringLiteral("x");
    QTest::newRow("extended UTF-8 name")
        << QStringLiteral("attachment; filename*=UTF-8''%E2%82%AC%20rates.mp4") << true
        << QStringLiteral("\u20acrates.mp4");
    QTest::newRow("extended Latin-1 name with language")
        << QStringLiteral("attachment; filename*=iso-8859-1'en'%A3.mp4") << true
        << QStringLiteral("\u00a3.mp4");
    QTest::newRow("extended name before plain name")
        << QStringLiteral("attachment; filename*=UTF-8''a.mp4; filename=b.mp4") << true
        << QStringLiteral("a.mp4");
    QTest::newRow("extended path")
        << QStringLiteral("attachment; filename*=UTF-8''..%2F..%2F.profile") << true
        << QStringLiteral(".profile");
    QTest::newRow("extended unknown charset")
        << QStringLiteral("attachment; filename*=UTF-16''x.mp4") << true << QString();
    QTest::newRow("extended broken escape")
        << QStringLiteral("attachment; filename*=UTF-8''%E2%8.mp4") << true << QString();
    QTest::newRow("extended cut UTF-8")
        << QStringLiteral("attachment; filename*=UTF-8''a%E2%82") << true << QString();
    QTest::newRow("extended invalid UTF-8")
        << QStringLiteral("attachment; filename*=UTF-8''%FF.mp4") << true << QString();
    QTest::newRow("extended without language")
        << QStringLiteral("attachment; filename*=UTF-8'x.mp4") << true << QString();
    QTest::newRow("extended quoted")
        << QStringLiteral("attachment; filename*=\"UTF-8''x.mp4\"") << true << QString();
}

void tst_WebBrowser::attachmentFileName()
{
    QFETCH(QString, disposition);
    QFETCH(bool, attachment);
    QFETCH(QString, fileName);

    QString name = QStringLiteral("stale");
    QCOMPARE(QT_EXT::attachmentFileName(disposition.toLatin1(), name), attachment);
    QCOMPARE(name, fileName);
}

void tst_WebBrowser::attachmentFromPage_data()
{
    QTest::addColumn<QByteArray>("disposition");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("named") << QByteArray("attachment; filename=\"song.mp3\"")
                           << QStringLiteral("song.mp3");
    QTest::newRow("unnamed, from the address") << QByteArray() << QStringLiteral("get.bin");
    // Whatever the engine makes of a path, only a name within the chosen folder is handed on.
    QTest::newRow("parent folders")
        << QByteArray("attachment; filename=\"../../escape.mp3\"") << QString();
}

void tst_WebBrowser::attachmentFromPage()
{
    QFETCH(QByteArray, disposition);
    QFETCH(QString, fileName);

    FakeHttpServer server;
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        if (!disposition.isEmpty())
            res.set_header("Content-Disposition", disposition.toStdString());
        res.set_content(std::string(77, 'x'), "application/octet-stream");
    });
    WebBrowser browser;
    browser.setupPage(nullptr, false, false);
    QSignalSpy spy(&browser, &WebBrowser::signal_downloadAttachment);
    browser.load(server.url(QStringLiteral("/get.bin")));
    QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 1, 10000);
    // The engine knows the length only once the download has been accepted.
    QCOMPARE(spy.first().at(1).toULongLong(), qulonglong(0));
    const QString handed = spy.first().at(2).toString();
    if (fileName.isEmpty()) {
        QVERIFY2(!handed.contains(QLatin1Char('/')) && !handed.contains(QLatin1Char('\\')) &&
                     handed != QLatin1String("..") && handed != QLatin1String("."),
                 qPrintable(handed));
    } else {
        QCOMPARE(handed, fileName);
    }

    // A second view on the same profile does not hear of the first one's downloads.
    WebBrowser other;
    other.setupPage(nullptr, false, false);
    QSignalSpy otherSpy(&other, &WebBrowser::signal_downloadAttachment);
    browser.load(server.url(QStringLiteral("/again.bin")));
    QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 2, 10000);
    QCOMPARE(otherSpy.size(), 0);
}

void tst_WebBrowser::acceptedDownloadWritesTheFile()
{
    FakeHttpServer server;
    const std::string body(50000, 'd');
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        res.set_header("Content-Disposition", "attachment; filename=clip.mp4");
        res.set_content(body, "video/mp4");
    });
    QTemporaryDir folder;
    WebBrowser browser;
    browser.setupPage(nullptr, false, false);
    QPointer<QWebEngineDownloadRequest> download;
    connect(&browser, &WebBrowser::signal_downloadAttachment, this,
            [&](QWebEngineDownloadRequest *request, qulonglong, const QString &name) {
                request->setDownloadDirectory(folder.path());
                request->setDownloadFileName(name);
                request->accept();
                download = request;
            });
    browser.load(server.url(QStringLiteral("/clip")));
    QTRY_VERIFY_WITH_TIMEOUT(download && download->isFinished(), 15000);
    QCOMPARE(download->state(), QWebEngineDownloadRequest::DownloadCompleted);
    QCOMPARE(download->totalBytes(), qint64(body.size()));
    QFile saved(folder.filePath(QStringLiteral("clip.mp4")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray::fromStdString(body));
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
    emit browser.page()->linkHovered(QStringLiteral("http://example.invalid/a"));
    QVERIFY(browser.label()->isVisible());
    QCOMPARE(browser.label()->text(), QStringLiteral("http://example.invalid/a"));
    QTest::qWait(100);
    QVERIFY(browser.label()->isVisible()); // no time-out for hovered links
    emit browser.page()->linkHovered(QString());
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
    QWebEnginePage *first = browser.page();
    QVERIFY(qobject_cast<QT_EXT::WebPage *>(first));
    // The program's one profile, which keeps cookies on disk, not Qt's default that keeps none.
    QCOMPARE(first->profile(), QT_EXT::webProfile());
    QVERIFY(!first->profile()->isOffTheRecord());
    QVERIFY(first->profile()->persistentStoragePath().startsWith(
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
    QCOMPARE(first->profile()->persistentCookiesPolicy(),
             QWebEngineProfile::ForcePersistentCookies);
    QVERIFY(first->settings()->testAttribute(QWebEngineSettings::PluginsEnabled));
    QVERIFY(!first->settings()->testAttribute(QWebEngineSettings::JavascriptCanOpenWindows));

    auto *other = new QT_EXT::WebPage(&browser);
    browser.setupPage(other, false, true);
    QCOMPARE(browser.page(), first);
    QVERIFY(first->settings()->testAttribute(QWebEngineSettings::PluginsEnabled));
}

void tst_WebBrowser::scriptsAndDocument()
{
    WebBrowser browser;
    // Nothing shown yet: there is no document to run a script in.
    QVERIFY(!browser.runJavaScript(QStringLiteral("1")));
    QSignalSpy loaded(&browser, &QWebEngineView::loadFinished);
    browser.setHtml(QStringLiteral("<html><body><a id='l' href='#x'>x</a></body></html>"));
    QTRY_COMPARE(loaded.size(), 1);
    QVERIFY(browser.runJavaScript(QStringLiteral("document.body.setAttribute('data-ran', 'yes')")));
    QVariant ran;
    bool answered = false;
    browser.evaluateJavaScript(QStringLiteral("document.body.getAttribute('data-ran')"),
                               [&](const QVariant &result) {
                                   ran = result;
                                   answered = true;
                               });
    QTRY_VERIFY(answered);
    QCOMPARE(ran.toString(), QStringLiteral("yes"));

    evaluateInPage(browser.page(), QStringLiteral("document.getElementById('l').focus()"));
    QCOMPARE(evaluateInPage(browser.page(), QStringLiteral("document.activeElement.id")).toString(),
             QStringLiteral("l"));
    browser.clearFocusedLink();
    QCOMPARE(
        evaluateInPage(browser.page(), QStringLiteral("document.querySelector('a:focus') === null"))
            .toBool(),
        true);
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
    QVERIFY(loadAndWait(browser, server.url(QStringLiteral("/ua"))));
    QCOMPARE(server.requests().last().header("User-Agent"), QByteArray("TestAgent/1.0"));

    // An empty agent gives the engine's own back.
    browser.setUserAgent(QString());
    QVERIFY(loadAndWait(browser, server.url(QStringLiteral("/standard"))));
    QCOMPARE(server.requests().last().header("User-Agent"),
             QT_EXT::webProfile()->httpUserAgent().toUtf8());
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
        QSignalSpy started(browser, &QWebEngineView::loadStarted);
        browser->load(server.url(QStringLiteral("/slow")));
        QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, 10000);
        QVERIFY(browser->isLoading());
        QPointer<QWebEnginePage> page = browser->page();
        QSignalSpy viewFinished(browser, &QWebEngineView::loadFinished);
        delete browser;
        // The half-destroyed view hears nothing of the load it had under way, and the page
        // goes with the view.
        QCOMPARE(viewFinished.size(), 0);
        QTRY_VERIFY(page.isNull());
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
            [&](QUrl url, QWebEnginePage::NavigationType type, bool isMainFrame, bool &accept) {
                QCOMPARE(type, QWebEnginePage::NavigationTypeLinkClicked);
                QVERIFY(isMainFrame);
                asked.append(url);
                if (refuse)
                    accept = false;
            });
    // The hooks hear of real loads only: a refused link is no load, although the engine
    // reports it as one that started and stopped.
    browser.enableLoadSignals();
    QSignalSpy started(&browser, &WebBrowser::signal_PageLoadStarted);
    QSignalSpy loaded(&browser, &WebBrowser::signal_PageLoadFinished);
    browser.load(server.url(QStringLiteral("/first")));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 10000);
    QVERIFY(asked.isEmpty()); // only link clicks are reported

    evaluateInPage(browser.page(), QStringLiteral("document.getElementById('l').click()"));
    QTRY_COMPARE_WITH_TIMEOUT(asked.size(), 1, 5000);
    QCOMPARE(asked.first(), server.url(QStringLiteral("/next")));
    if (refuse) {
        // A fetch made by the page afterwards: a load of the refused link would have started
        // before its answer came, and would have taken the page with the fetch away.
        evaluateInPage(browser.page(),
                       QStringLiteral("fetch('/later').then(function (r) { return r.text(); })"
                                      ".then(function (t) { window.laterAnswer = t; })"));
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluateInPage(browser.page(), QStringLiteral("window.laterAnswer || ''"))
                .toString()
                .contains(QStringLiteral("/later")),
            10000);
        QCOMPARE(started.size(), 1);
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(browser.url(), server.url(QStringLiteral("/first")));
        for (const FakeHttpServer::Recorded &request : server.requests())
            QVERIFY2(request.path != QLatin1String("/next"), "the refused link was fetched");
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 10000);
        QCOMPARE(browser.url(), server.url(QStringLiteral("/next")));
    }
}

void tst_WebBrowser::certificateQuestion_data()
{
    QTest::addColumn<bool>("trust");
    // In this order: the engine itself keeps a certificate the user accepted for the rest of
    // the run, for every port of that host, so a refusal is only tried before.
    QTest::newRow("refused (the default)") << false;
    QTest::newRow("trusted") << true;
}

void tst_WebBrowser::certificateQuestion()
{
    QFETCH(bool, trust);
    QT_EXT::CertificateTrust::forgetAll();
    TlsTestServer tls;
    QString error;
    QVERIFY2(tls.start(error), qPrintable(error));

    // The page waits for the answer; the question names host and port, with No as default.
    DialogAnswerer answerer;
    answerer.click(trust ? QMessageBox::Yes : QMessageBox::No);
    WebBrowser browser;
    browser.setupPage(nullptr, false, false);
    QCOMPARE(loadAndWait(browser, tls.url()), trust);
    QCOMPARE(answerer.answered(), 1);
    const DialogAnswerer::Seen &asked = answerer.seen().first();
    QVERIFY2(asked.text.contains(QStringLiteral("127.0.0.1")), qPrintable(asked.text));
    QVERIFY2(asked.text.contains(QString::number(tls.serverPort())), qPrintable(asked.text));
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    if (trust)
        QCOMPARE(bodyText(browser), QStringLiteral("secret"));

    // The answer holds for the rest of the run: another page is not asked again.
    WebBrowser other;
    other.setupPage(nullptr, false, false);
    QCOMPARE(loadAndWait(other, tls.url(QStringLiteral("/other"))), trust);
    QCOMPARE(answerer.seen().size(), 1);
}

void tst_WebBrowser::authenticationDialog_data()
{
    QTest::addColumn<bool>("give");
    QTest::newRow("credentials given") << true;
    QTest::newRow("dialog cancelled") << false;
}

void tst_WebBrowser::authenticationDialog()
{
    QFETCH(bool, give);
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &req, httplib::Response &res) {
        // "reader:open sesame"
        if (req.get_header_value("Authorization") == "Basic cmVhZGVyOm9wZW4gc2VzYW1l") {
            res.set_content("<html><body>members</body></html>", "text/html");
            return;
        }
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"Members\"");
        res.set_content("<html><body>denied</body></html>", "text/html");
    });
    DialogAnswerer answerer;
    if (give) {
        answerer.handle([](QWidget *dialog) {
            const QList<QLineEdit *> fields = dialog->findChildren<QLineEdit *>();
            for (QLineEdit *field : fields) {
                field->setText(field->echoMode() == QLineEdit::Password
                                   ? QStringLiteral("open sesame")
                                   : QStringLiteral("reader"));
            }
            QMetaObject::invokeMethod(dialog, "accept");
        });
    } else {
        answerer.reject();
    }
    WebBrowser browser;
    browser.setupPage(nullptr, false, false);
    QSignalSpy loaded(&browser, &QWebEngineView::loadFinished);
    browser.load(server.url(QStringLiteral("/private")));
    QVERIFY(loaded.wait(15000));
    QCOMPARE(answerer.answered(), 1);
    QVERIFY2(answerer.seen().first().text.contains(QStringLiteral("Members")),
             qPrintable(answerer.seen().first().text));
    QCOMPARE(bodyText(browser), give ? QStringLiteral("members") : QStringLiteral("denied"));
}

QTEST_MAIN(tst_WebBrowser)
#include "tst_webbrowser.moc"
