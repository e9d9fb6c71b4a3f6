#include "pagescript.h"
#include "fakehttpserver.h"
#include "mainwindow.h"
#include "networkaccessmanager.h"
#include "pages/videoplayerbrowser.h"
#include "qhttpext.h"
#include "recordingproxy.h"
#include "webbrowser.h"

#include <httplib.h>

#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

// Every path on which the program makes requests goes through the one proxy: the configured
// one, or the system's (http_proxy) when none is configured. Qt WebEngine takes the proxy once,
// when the first page of the process starts, as the program does at its start: CTest runs each
// test function in a process of its own.
class tst_ProxyPaths : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void everyPathThroughTheConfiguredProxy();
    void everyPathThroughTheSystemProxy();
    void withoutProxyMadeUpHostsFail();

private:
    void everyPathThroughTheProxy(bool configured);
    QString settingsFolder() const;
    void writeSettings(bool proxyEnabled);
    bool loads(QT_EXT::WebBrowser &browser, const QUrl &url);

    FakeHttpServer origin;
    RecordingProxy proxy;
};

QString tst_ProxyPaths::settingsFolder() const
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
}

void tst_ProxyPaths::initTestCase()
{
    origin.setHandler([](const httplib::Request &req, httplib::Response &res) {
        res.set_content("<html><body>" + req.path + "</body></html>", "text/html");
    });
    proxy.route(QStringLiteral("maker.test:8310"), origin.port());
    proxy.route(QStringLiteral("wiki.test:8312"), origin.port());
    proxy.route(QStringLiteral("video.test:8311"), origin.port());
}

void tst_ProxyPaths::init()
{
    QDir(settingsFolder()).removeRecursively();
    proxy.clearRequests();
}

void tst_ProxyPaths::cleanup()
{
    qunsetenv("http_proxy");
}

void tst_ProxyPaths::cleanupTestCase()
{
    QDir(settingsFolder()).removeRecursively();
}

void tst_ProxyPaths::writeSettings(bool proxyEnabled)
{
    QSettings ini(QDir(settingsFolder()).filePath(QStringLiteral("MiniVideoPlayerSV.ini")),
                  QSettings::IniFormat);
    ini.setValue(QStringLiteral("hosts/maker"), QStringLiteral("maker.test:8310"));
    ini.setValue(QStringLiteral("proxy/proxy_enabled"), proxyEnabled);
    ini.setValue(QStringLiteral("proxy/proxy_type"), 1);
    ini.setValue(QStringLiteral("proxy/proxy_hostname"), QStringLiteral("127.0.0.1"));
    ini.setValue(QStringLiteral("proxy/proxy_port"), proxy.port());
}

bool tst_ProxyPaths::loads(QT_EXT::WebBrowser &browser, const QUrl &url)
{
    QSignalSpy finished(&browser, &QWebEngineView::loadFinished);
    browser.load(url);
    return finished.wait(15000) && finished.first().first().toBool();
}

void tst_ProxyPaths::everyPathThroughTheConfiguredProxy()
{
    everyPathThroughTheProxy(true);
}

void tst_ProxyPaths::everyPathThroughTheSystemProxy()
{
    everyPathThroughTheProxy(false);
}

void tst_ProxyPaths::everyPathThroughTheProxy(bool configured)
{
    writeSettings(configured);
    if (!configured)
        qputenv("http_proxy", QByteArray("http://127.0.0.1:") + QByteArray::number(proxy.port()));

    // The scripted player page, loaded by the main window from the maker's host.
    MainWindow window;
    QTRY_VERIFY_WITH_TIMEOUT(proxy.requests().contains(QStringLiteral(
                                 "GET http://maker.test:8310/sonvara/ytplayer_simple.html")),
                             15000);
    QTRY_COMPARE_WITH_TIMEOUT(
        evaluateInPage(window.player()->page(), QStringLiteral("document.body.innerText"))
            .toString(),
        QStringLiteral("/sonvara/ytplayer_simple.html"), 15000);

    // A page that the web browser widget sets up itself, on the shared manager.
    QT_EXT::NetworkAccessManager::shared()->loadSettings();
    QT_EXT::WebBrowser lyrics;
    lyrics.setupPage(nullptr, false, false);
    QVERIFY(loads(lyrics, QUrl(QStringLiteral("http://wiki.test:8312/Main_Page"))));
    QVERIFY(proxy.requests().contains(QStringLiteral("GET http://wiki.test:8312/Main_Page")));

    // A transfer engine, with the plain manager it owns.
    QT_EXT::QHttpExt engine;
    QString body;
    bool failed = true;
    connect(&engine, &QT_EXT::QHttpExt::sig_Finished, this,
            [&](const QT_EXT::QHttpExt::httpInfo *info) {
                failed = info->failed;
                body = info->text;
            });
    QSignalSpy finished(&engine, &QT_EXT::QHttpExt::sig_Finished);
    QVERIFY(engine.get(QStringLiteral("http://video.test:8311/watch?v=a"), false) != 0);
    QVERIFY(finished.wait(15000));
    QVERIFY(!failed);
    QCOMPARE(body, QStringLiteral("<html><body>/watch</body></html>"));
    QVERIFY(proxy.requests().contains(QStringLiteral("GET http://video.test:8311/watch?v=a")));
}

void tst_ProxyPaths::withoutProxyMadeUpHostsFail()
{
    // The control: without the proxy the made-up hosts do not resolve, so a page that loaded
    // above can only have come through it.
    writeSettings(false);
    MainWindow window;
    QT_EXT::WebBrowser lyrics;
    lyrics.setupPage(nullptr, false, false);
    QT_EXT::NetworkAccessManager::shared()->loadSettings();
    QVERIFY(!loads(lyrics, QUrl(QStringLiteral("http://wiki.test:8312/Main_Page"))));
    QT_EXT::QHttpExt engine;
    QSignalSpy finished(&engine, &QT_EXT::QHttpExt::sig_Finished);
    QVERIFY(engine.get(QStringLiteral("http://video.test:8311/watch?v=a"), false) != 0);
    QVERIFY(finished.wait(15000));
    QVERIFY(proxy.requests().isEmpty());
}

QTEST_MAIN(tst_ProxyPaths)
#include "tst_proxypaths.moc"
