#include "certificatetrust.h"
#include "dialoganswerer.h"
#include "fakehttpserver.h"
#include "networkaccessmanager.h"
#include "tlstestserver.h"

#include <httplib.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QNetworkReply>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using QT_EXT::CertificateTrust;
using QT_EXT::NetworkAccessManager;

namespace {

// Waits for a reply to finish and returns it (owned by the caller).
QNetworkReply *wait(QNetworkReply *reply)
{
    if (!reply->isFinished()) {
        QSignalSpy done(reply, &QNetworkReply::finished);
        done.wait(10000);
    }
    return reply;
}

} // namespace

class tst_NetworkAccessManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void proxySettings_data();
    void proxySettings();
    void loadSettingsAppliesChanges();
    void requestsAreMarked_data();
    void requestsAreMarked();
    void redirectIsLeftToTheRequester();
    void diskCacheAnswersRepeatedRequests();
    void authenticationFailsAfterMessage();
    void statisticsLineEveryTenthRequest();
    void certificateQuestion_data();
    void certificateQuestion();
    void certificateQuestionPerHostAndPort();
    void sharedInstance();

private:
    QTemporaryDir settingsDir;
};

void tst_NetworkAccessManager::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    qRegisterMetaType<QNetworkReply *>();
    qRegisterMetaType<QList<QSslError>>();
    QCoreApplication::setOrganizationName(QStringLiteral("QuorbelTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_networkaccessmanager"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
}

void tst_NetworkAccessManager::init()
{
    QSettings().clear();
}

void tst_NetworkAccessManager::proxySettings_data()
{
    QTest::addColumn<QVariantMap>("keys");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    const auto full = [](int type, const QVariant &port) {
        QVariantMap m{{QStringLiteral("proxy_enabled"), true},
                      {QStringLiteral("proxy_type"), type},
                      {QStringLiteral("proxy_hostname"), QStringLiteral("proxy.example")},
                      {QStringLiteral("proxy_username"), QStringLiteral("ann")},
                      {QStringLiteral("proxy_password"), QStringLiteral("pa ss")}};
        if (port.isValid())
            m.insert(QStringLiteral("proxy_port"), port);
        return m;
    };

    QTest::newRow("no keys") << QVariantMap() << int(QNetworkProxy::DefaultProxy) << QString() << 0
                             << QString() << QString();
    QVariantMap disabled = full(1, 8080);
    disabled.insert(QStringLiteral("proxy_enabled"), false);
    QTest::newRow("disabled") << disabled << int(QNetworkProxy::DefaultProxy) << QString() << 0
                              << QString() << QString();
    QTest::newRow("type 0 is socks5")
        << full(0, 9050) << int(QNetworkProxy::Socks5Proxy) << QStringLiteral("proxy.example")
        << 9050 << QStringLiteral("ann") << QStringLiteral("pa ss");
    QTest::newRow("type 3 is http, default port")
        << full(3, QVariant()) << int(QNetworkProxy::HttpProxy) << QStringLiteral("proxy.example")
        << 1080 << QStringLiteral("ann") << QStringLiteral("pa ss");
    QTest::newRow("type 1 is http")
        << full(1, 3128) << int(QNetworkProxy::HttpProxy) << QStringLiteral("proxy.example") << 3128
        << QStringLiteral("ann") << QStringLiteral("pa ss");
    QTest::newRow("enabled only") << QVariantMap{{QStringLiteral("proxy_enabled"), true}}
                                  << int(QNetworkProxy::Socks5Proxy) << QString() << 1080
                                  << QString() << QString();
}

void tst_NetworkAccessManager::proxySettings()
{
    QFETCH(QVariantMap, keys);
    {
        QSettings settings;
        settings.beginGroup(QStringLiteral("proxy"));
        for (auto it = keys.cbegin(); it != keys.cend(); ++it)
            settings.setValue(it.key(), it.value());
    }
    NetworkAccessManager manager;
    const QNetworkProxy proxy = manager.proxy();
    QTEST(int(proxy.type()), "type");
    QTEST(proxy.hostName(), "host");
    QTEST(int(proxy.port()), "port");
    QTEST(proxy.user(), "user");
    QTEST(proxy.password(), "password");
}

void tst_NetworkAccessManager::loadSettingsAppliesChanges()
{
    NetworkAccessManager manager;
    QCOMPARE(manager.proxy().type(), QNetworkProxy::DefaultProxy);
    {
        QSettings settings;
        settings.setValue(QStringLiteral("proxy/proxy_enabled"), true);
        settings.setValue(QStringLiteral("proxy/proxy_type"), 2);
        settings.setValue(QStringLiteral("proxy/proxy_hostname"), QStringLiteral("p.example"));
    }
    manager.loadSettings();
    QCOMPARE(manager.proxy().type(), QNetworkProxy::HttpProxy);
    QCOMPARE(manager.proxy().hostName(), QStringLiteral("p.example"));
    QCOMPARE(int(manager.proxy().port()), 1080);
}

void tst_NetworkAccessManager::requestsAreMarked_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("callerAllowsPipelining");
    QTest::newRow("GET") << QStringLiteral("GET") << false;
    QTest::newRow("GET asking for pipelining") << QStringLiteral("GET") << true;
    QTest::newRow("POST") << QStringLiteral("POST") << true;
    QTest::newRow("HEAD") << QStringLiteral("HEAD") << false;
}

void tst_NetworkAccessManager::requestsAreMarked()
{
    QFETCH(QString, method);
    QFETCH(bool, callerAllowsPipelining);

    FakeHttpServer server;
    server.setHandler([](const httplib::Request &req, httplib::Response &res) {
        res.set_content("method " + req.method + " body " + req.body, "text/plain");
    });
    NetworkAccessManager manager;
    QNetworkRequest request(server.url(QStringLiteral("/marked")));
    request.setAttribute(QNetworkRequest::HttpPipeliningAllowedAttribute, callerAllowsPipelining);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysCache);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/plain"));

    QNetworkReply *reply = nullptr;
    if (method == QLatin1String("GET"))
        reply = manager.get(request);
    else if (method == QLatin1String("HEAD"))
        reply = manager.head(request);
    else
        reply = manager.post(request, QByteArray("data"));
    std::unique_ptr<QNetworkReply> owner(wait(reply));

    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->request().attribute(QNetworkRequest::HttpPipeliningAllowedAttribute),
             QVariant(false));
    QCOMPARE(reply->request().attribute(QNetworkRequest::CacheLoadControlAttribute).toInt(),
             int(QNetworkRequest::PreferNetwork));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpPipeliningWasUsedAttribute).toBool(), false);
    if (method == QLatin1String("POST"))
        QCOMPARE(reply->readAll(), QByteArray("method POST body data"));
    if (method == QLatin1String("GET"))
        QCOMPARE(reply->readAll(), QByteArray("method GET body "));

    const auto seen = server.requests();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().method, method);
    // Nothing is added to the caller's request: no user agent of the manager's own.
    QVERIFY(!seen.first().header("User-Agent").contains("Quorbel"));
}

void tst_NetworkAccessManager::redirectIsLeftToTheRequester()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &req, httplib::Response &res) {
        if (req.path == "/moved")
            res.set_redirect("/target", 302);
        else
            res.set_content("target", "text/plain");
    });
    NetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(
        wait(manager.get(QNetworkRequest(server.url(QStringLiteral("/moved"))))));

    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 302);
    QCOMPARE(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl(),
             QUrl(QStringLiteral("/target")));
    QCOMPARE(reply->url(), server.url(QStringLiteral("/moved")));
    QCOMPARE(server.requests().size(), 1);
}

void tst_NetworkAccessManager::diskCacheAnswersRepeatedRequests()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_header("Cache-Control", "max-age=3600");
        res.set_content("cached body", "text/plain");
    });
    QTemporaryDir cacheDir;
    NetworkAccessManager manager;
    manager.setCacheDirectory(cacheDir.path());
    QVERIFY(manager.cache());
    QCOMPARE(manager.currentCacheLoadControl(), int(QNetworkRequest::PreferCache));

    for (int i = 0; i < 2; ++i) {
        std::unique_ptr<QNetworkReply> reply(
            wait(manager.get(QNetworkRequest(server.url(QStringLiteral("/c"))))));
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->readAll(), QByteArray("cached body"));
        QCOMPARE(reply->request().attribute(QNetworkRequest::CacheLoadControlAttribute).toInt(),
                 int(QNetworkRequest::PreferCache));
        QCOMPARE(reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool(), i == 1);
    }
    QCOMPARE(server.requests().size(), 1);
}

void tst_NetworkAccessManager::authenticationFailsAfterMessage()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"members\"");
        res.set_content("no", "text/plain");
    });
    NetworkAccessManager manager;
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    std::unique_ptr<QNetworkReply> reply(
        wait(manager.get(QNetworkRequest(server.url(QStringLiteral("/private"))))));

    QCOMPARE(reply->error(), QNetworkReply::AuthenticationRequiredError);
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Authentication Required"));
    QCOMPARE(answerer.seen().first().icon, QMessageBox::Critical);
    QVERIFY(answerer.seen().first().informativeText.isEmpty());
    // No credentials were supplied, so the request went out once only.
    QCOMPARE(server.requests().size(), 1);
    QVERIFY(server.requests().first().header("Authorization").isEmpty());
}

namespace {
QStringList capturedLines;
void captureDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg && text.startsWith(QLatin1String("STATS")))
        capturedLines.append(text);
}
} // namespace

void tst_NetworkAccessManager::statisticsLineEveryTenthRequest()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_header("Cache-Control", "max-age=3600");
        res.set_content("x", "text/plain");
    });
    QTemporaryDir cacheDir;
    NetworkAccessManager manager;
    manager.setCacheDirectory(cacheDir.path());
    connect(&manager, &QNetworkAccessManager::finished, &manager,
            &NetworkAccessManager::requestFinished);

    capturedLines.clear();
    // The line is a debug line of "mvp.net", off unless a rule switches it on.
    QLoggingCategory::setFilterRules(QStringLiteral("mvp.net.debug=true"));
    const auto previous = qInstallMessageHandler(captureDebug);
    QStringList afterNine;
    for (int i = 0; i < 20; ++i) {
        // Requests 1 and 2 go to the network, the rest of each pair of paths comes from cache.
        const QString path = QStringLiteral("/s%1").arg(i < 2 ? i : i % 2);
        std::unique_ptr<QNetworkReply> reply(wait(manager.get(QNetworkRequest(server.url(path)))));
        // A compressed answer goes into the cache as its body is read, as every user reads it.
        QCOMPARE(reply->readAll(), QByteArray("x"));
        QCoreApplication::processEvents();
        if (i == 8)
            afterNine = capturedLines;
    }
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());

    QVERIFY(afterNine.isEmpty());
    QCOMPARE(manager.totalRequests(), 20);
    QCOMPARE(manager.requestsFromCache(), 18);
    QCOMPARE(capturedLines,
             QStringList({QStringLiteral("STATS [10 requests total] [80.00% from cache] [0.00% "
                                         "pipelined] [0.00% SSL/TLS]"),
                          QStringLiteral("STATS [20 requests total] [90.00% from cache] [0.00% "
                                         "pipelined] [0.00% SSL/TLS]")}));
}

void tst_NetworkAccessManager::certificateQuestion_data()
{
    QTest::addColumn<bool>("trust");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

void tst_NetworkAccessManager::certificateQuestion()
{
    QFETCH(bool, trust);
    CertificateTrust::forgetAll();
    TlsTestServer tls;
    QString error;
    if (!tls.start(error))
        QSKIP(qPrintable(error));

    // The first reply with certificate errors asks, naming host and port; No is the default.
    NetworkAccessManager manager;
    DialogAnswerer answerer;
    answerer.click(trust ? QMessageBox::Yes : QMessageBox::No);
    std::unique_ptr<QNetworkReply> first(wait(manager.get(QNetworkRequest(tls.url()))));
    QCOMPARE(answerer.answered(), 1);
    const DialogAnswerer::Seen &asked = answerer.seen().first();
    QVERIFY2(asked.text.contains(QStringLiteral("127.0.0.1")), qPrintable(asked.text));
    QVERIFY2(asked.text.contains(QString::number(tls.serverPort())), qPrintable(asked.text));
    QVERIFY(!asked.informativeText.isEmpty());
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(first->error(),
             trust ? QNetworkReply::NoError : QNetworkReply::SslHandshakeFailedError);
    QCOMPARE(first->readAll(), trust ? QByteArray("secret") : QByteArray());

    // The answer holds for the rest of the run, for every manager: nobody is asked again.
    NetworkAccessManager other;
    other.clearConnectionCache();
    std::unique_ptr<QNetworkReply> second(wait(other.get(QNetworkRequest(tls.url()))));
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(second->error(),
             trust ? QNetworkReply::NoError : QNetworkReply::SslHandshakeFailedError);
}

void tst_NetworkAccessManager::certificateQuestionPerHostAndPort()
{
    CertificateTrust::forgetAll();
    TlsTestServer first, second;
    QString error;
    if (!first.start(error) || !second.start(error))
        QSKIP(qPrintable(error));
    NetworkAccessManager manager;
    DialogAnswerer answerer;
    answerer.click(QMessageBox::No);
    answerer.click(QMessageBox::Yes);
    std::unique_ptr<QNetworkReply> refused(wait(manager.get(QNetworkRequest(first.url()))));
    std::unique_ptr<QNetworkReply> trusted(wait(manager.get(QNetworkRequest(second.url()))));
    QCOMPARE(answerer.answered(), 2);
    QCOMPARE(refused->error(), QNetworkReply::SslHandshakeFailedError);
    QCOMPARE(trusted->error(), QNetworkReply::NoError);
}

void tst_NetworkAccessManager::sharedInstance()
{
    NetworkAccessManager *shared = NetworkAccessManager::shared();
    QVERIFY(shared);
    QCOMPARE(NetworkAccessManager::shared(), shared);
    QCOMPARE(shared->parent(), QCoreApplication::instance());
    delete shared;
    NetworkAccessManager *again = NetworkAccessManager::shared();
    QVERIFY(again);
    QCOMPARE(again->proxy().type(), QNetworkProxy::DefaultProxy);
}

QTEST_MAIN(tst_NetworkAccessManager)
#include "tst_networkaccessmanager.moc"
