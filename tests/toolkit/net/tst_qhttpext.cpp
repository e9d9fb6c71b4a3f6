#include "certificatetrust.h"
#include "dialoganswerer.h"
#include "fakehttpserver.h"
#include "qhttpext.h"
#include "testfiles.h"
#include "tlstestserver.h"

#include <httplib.h>

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using QT_EXT::QHttpExt;

namespace {

// What a listener saw of a record; the record itself is gone after the signal.
struct Seen
{
    int id = 0;
    bool null = true;
    bool failed = false;
    QString url;
    QString redirectUrl;
    QString text;
    QByteArray data;
    QString error;
    QString fileName;
};

Seen copy(const QHttpExt::httpInfo *info)
{
    Seen seen;
    if (!info)
        return seen;
    seen.null = false;
    seen.id = info->id;
    seen.failed = info->failed;
    seen.url = info->url;
    seen.redirectUrl = info->redirectUrl;
    seen.text = info->text;
    seen.data = info->data;
    seen.error = info->error;
    if (info->file)
        seen.fileName = info->file->fileName();
    return seen;
}

// Records every start and finish of an engine, and the order of all its signals.
struct Recorder
{
    explicit Recorder(QHttpExt &engine)
    {
        QObject::connect(&engine, &QHttpExt::sig_Started, &engine,
                         [this](const QHttpExt::httpInfo *info) {
                             events << QStringLiteral("sig_Started");
                             started << copy(info);
                         });
        QObject::connect(
            &engine, &QHttpExt::signal_Started, &engine,
            [this](const QHttpExt::httpInfo *) { events << QStringLiteral("signal_Started"); });
        QObject::connect(&engine, &QHttpExt::sig_Finished, &engine,
                         [this](const QHttpExt::httpInfo *info) {
                             events << QStringLiteral("sig_Finished");
                             finished << copy(info);
                         });
        QObject::connect(
            &engine, &QHttpExt::signal_Finished, &engine,
            [this](const QHttpExt::httpInfo *) { events << QStringLiteral("signal_Finished"); });
    }
    QList<Seen> started;
    QList<Seen> finished;
    QStringList events;
};

// A TCP server on loopback that answers each request (read up to the blank line) with what the
// script returns, then closes the connection.
class ScriptedServer : public QTcpServer
{
public:
    using Script = std::function<QByteArray(const QByteArray &request)>;
    explicit ScriptedServer(Script s) : script(std::move(s)) {}

    QList<QByteArray> requests;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            if (!buffer->contains("\r\n\r\n"))
                return;
            requests << *buffer;
            socket->write(script(*buffer));
            buffer->clear();
            socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    Script script;
};

QByteArray response(const QByteArray &status, const QByteArray &body,
                    const QByteArray &extraHeaders = QByteArray())
{
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

// Answers the authentication dialog with a user and a password, and keeps what it showed.
DialogAnswerer::Handler fillCredentials(const QString &user, const QString &password,
                                        QString *siteShown)
{
    return [=](QWidget *dialog) {
        auto *site = dialog->findChild<QLabel *>(QStringLiteral("siteDescription"));
        auto *userEdit = dialog->findChild<QLineEdit *>(QStringLiteral("userEdit"));
        auto *passwordEdit = dialog->findChild<QLineEdit *>(QStringLiteral("passwordEdit"));
        if (!site || !userEdit || !passwordEdit)
            return;
        *siteShown = site->text();
        userEdit->setText(user);
        passwordEdit->setText(password);
        qobject_cast<QDialog *>(dialog)->accept();
    };
}

// Welcomes the user "ann" with the password "se cret" and asks everybody else to log in.
void answerMembersOnly(FakeHttpServer &server)
{
    server.setHandler([](const httplib::Request &req, httplib::Response &res) {
        if (req.get_header_value("Authorization") == "Basic YW5uOnNlIGNyZXQ=") {
            res.set_content("welcome", "text/plain");
            return;
        }
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"members\"");
    });
}

} // namespace

class tst_QHttpExt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void errorTextTable_data();
    void errorTextTable();
    void encodedUrlCheck_data();
    void encodedUrlCheck();
    void startAndFinishSignals();
    void requestHeaders_data();
    void requestHeaders();
    void redirects_data();
    void redirects();
    void redirectChainEnds();
    void nonWebAddresses_data();
    void nonWebAddresses();
    void nonWebRedirects_data();
    void nonWebRedirects();
    void httpsRedirects_data();
    void httpsRedirects();
    void largeRedirectBody_data();
    void largeRedirectBody();
    void nonUtf8Body_data();
    void nonUtf8Body();
    void parameters_data();
    void parameters();
    void parametersArriveAsSent_data();
    void parametersArriveAsSent();
    void postBodies();
    void failures_data();
    void failures();
    void errorsShownWhenAsked();
    void fileCannotBeOpened();
    void abortAllLeavesNoFile();
    void twoDownloadsAtOnce();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void resume_data();
    void resume();
    void failedResumeKeepsEarlierBytes_data();
    void failedResumeKeepsEarlierBytes();
    void rangeIgnoredOverLongerFile();
    void serverClosesMidBody_data();
    void serverClosesMidBody();
    void writeFailureRemovesFile();
    void memoryLimit_data();
    void memoryLimit();
    void presetCredentials();
    void authenticationDialog_data();
    void authenticationDialog();
    void proxyAuthentication();
    void certificateQuestion_data();
    void certificateQuestion();

private:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

void tst_QHttpExt::initTestCase()
{
    QVERIFY(dir.isValid());
}

void tst_QHttpExt::init()
{
    QT_EXT::CertificateTrust::forgetAll();
    QHttpExt::setDefaultUserAgent(QString());
}

void tst_QHttpExt::errorTextTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0
                       << "No error condition. Note: When the HTTP protocol returns a redirect no "
                          "error will be reported. You can check if there is a redirect with the "
                          "QNetworkRequest::RedirectionTargetAttribute attribute.";
    QTest::newRow("2") << 2
                       << "The remote server closed the connection prematurely, before the entire "
                          "reply was received and processed";
    QTest::newRow("5") << 5
                       << "The operation was canceled via calls to abort() or close() before it "
                          "was finished.";
    QTest::newRow("105") << 105
                         << "The proxy requires authentication in order to honour the request but "
                            "did not accept any credentials offered (if any)";
    QTest::newRow("205") << 205
                         << "The request needed to be sent again, but this failed for example "
                            "because the upload data could not be read a second time.";
    QTest::newRow("399") << 399
                         << "A breakdown in protocol was detected (parsing error, invalid or "
                            "unexpected responses, etc.)";
    QTest::newRow("not in the table") << 401 << QString();
}

void tst_QHttpExt::errorTextTable()
{
    QFETCH(int, code);
    QTEST(QHttpExt::errorText(QNetworkReply::NetworkError(code)), "text");
}

void tst_QHttpExt::encodedUrlCheck_data()
{
    QTest::addColumn<QString>("url"); // {base} stands for the local server
    QTest::addColumn<bool>("check");
    QTest::addColumn<QByteArray>("sent"); // empty: refused as invalid

    QTest::newRow("escape after the start: strict") << "{base}/a%zz" << true << QByteArray();
    QTest::newRow("check off: tolerant") << "{base}/a%zz" << false << QByteArray("{base}/a%25zz");
    QTest::newRow("%26 present: tolerant")
        << "{base}/a%zz%26" << true << QByteArray("{base}/a%25zz%2526");
    QTest::newRow("%3F present: tolerant")
        << "{base}/a%zz%3F" << true << QByteArray("{base}/a%25zz%253F");
    QTest::newRow("%3f is not %3F") << "{base}/a%zz%3f" << true << QByteArray();
    QTest::newRow("encoded, with a raw space") << "{base}/a%20b c" << true << QByteArray();
    QTest::newRow("raw space, check off")
        << "{base}/a%20b c" << false << QByteArray("{base}/a%20b%20c");
    QTest::newRow("encoded stays encoded") << "{base}/a%2Fb" << true << QByteArray("{base}/a%2Fb");
    // An address that starts with "%" is no web address at all (nonWebAddresses).
}

void tst_QHttpExt::encodedUrlCheck()
{
    QFETCH(QString, url);
    QFETCH(bool, check);
    QFETCH(QByteArray, sent);
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content("ok", "text/plain");
    });
    const QString base = server.url(QString()).toString();
    url.replace(QLatin1String("{base}"), base);
    sent.replace("{base}", base.toUtf8());

    QHttpExt engine;
    engine.setEncodedUrlCheck(check);
    Recorder recorder(engine);
    QByteArray requested;
    connect(&engine, &QHttpExt::sig_Initializing, this,
            [&](QNetworkRequest &request) { requested = request.url().toEncoded(); });
    const int id = engine.get(url, false);
    if (sent.isEmpty()) {
        QCOMPARE(id, 0);
        QCOMPARE(engine.lastError(), QStringLiteral("Invalid URL: %1").arg(url));
        QVERIFY(recorder.events.isEmpty());
        return;
    }
    QVERIFY(id != 0);
    QCOMPARE(requested, sent);
    QTRY_COMPARE(recorder.finished.size(), 1);
}

void tst_QHttpExt::startAndFinishSignals()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content("hello", "text/plain");
    });
    QHttpExt engine;
    Recorder recorder(engine);
    const QString url = server.url(QStringLiteral("/page")).toString();
    const int id = engine.get(url, false);
    QVERIFY(id != 0);
    // Started synchronously: the listener already saw the record when the call returned.
    QCOMPARE(recorder.events, QStringList({"sig_Started", "signal_Started"}));
    QCOMPARE(recorder.started.first().id, id);
    QCOMPARE(recorder.started.first().url, url);
    QTRY_COMPARE(recorder.finished.size(), 1);
    QCOMPARE(recorder.events,
             QStringList({"sig_Started", "signal_Started", "sig_Finished", "signal_Finished"}));
    const Seen done = recorder.finished.first();
    QCOMPARE(done.id, id);
    QVERIFY(!done.failed);
    QCOMPARE(done.text, QStringLiteral("hello"));
    QCOMPARE(done.data, QByteArray("hello"));
    QVERIFY(done.error.isEmpty());
}

void tst_QHttpExt::requestHeaders_data()
{
    QTest::addColumn<QString>("engineAgent");
    QTest::addColumn<QString>("defaultAgent");
    QTest::addColumn<bool>("acceptHeaders");
    QTest::addColumn<QByteArray>("agentSent");

    const QByteArray builtIn = "Mozilla/5.0 (Windows; U; Windows NT 6.0; en-US; rv:1.9.2.3) "
                               "Gecko/20100401 Firefox/3.6.3";
    QTest::newRow("built-in") << QString() << QString() << false << builtIn;
    QTest::newRow("process default") << QString() << "Default/1" << true << QByteArray("Default/1");
    QTest::newRow("engine's own wins") << "Own/2"
                                       << "Default/1" << false << QByteArray("Own/2");
}

void tst_QHttpExt::requestHeaders()
{
    QFETCH(QString, engineAgent);
    QFETCH(QString, defaultAgent);
    QFETCH(bool, acceptHeaders);
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content("ok", "text/plain");
    });
    QHttpExt::setDefaultUserAgent(defaultAgent);
    QHttpExt engine;
    engine.setUserAgent(engineAgent);
    engine.setAcceptHeaders(acceptHeaders);
    Recorder recorder(engine);
    QVERIFY(engine.get(server.url().toString(), false));
    QTRY_COMPARE(recorder.finished.size(), 1);

    const FakeHttpServer::Recorded sent = server.requests().first();
    QTEST(sent.header("User-Agent"), "agentSent");
    QCOMPARE(sent.header("Cache-Control"), QByteArray("no-cache"));
    QCOMPARE(sent.header("Accept-Charset"),
             acceptHeaders ? QByteArray("ISO-8859-1,utf-8;q=0.7,*;q=0.7") : QByteArray());
    QCOMPARE(sent.header("Accept"),
             acceptHeaders
                 ? QByteArray("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8")
                 : QByteArray());
    QVERIFY(sent.header("Range").isEmpty());
}

void tst_QHttpExt::redirects_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("location"); // {base} stands for the local server
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<QString>("finalPath");
    QTest::addColumn<QByteArray>("body");

    for (int status : {301, 302, 303, 307}) {
        const QByteArray name = QByteArray::number(status);
        QTest::newRow(name + " absolute")
            << status << "{base}/final" << false << "/final" << QByteArray("final body");
        QTest::newRow(name + " relative, to a file")
            << status << "final" << true << "/dir/final" << QByteArray("final body");
    }
    QTest::newRow("absolute path")
        << 302 << "/final" << false << "/final" << QByteArray("final body");
    QTest::newRow("200 with a location is no redirect")
        << 200 << "{base}/final" << false << "/dir/start" << QByteArray("start body");
    QTest::newRow("to itself: not followed")
        << 302 << "{base}/dir/start" << true << "/dir/start" << QByteArray("start body");
}

void tst_QHttpExt::redirects()
{
    QFETCH(int, status);
    QFETCH(QString, location);
    QFETCH(bool, toFile);
    QFETCH(QString, finalPath);
    FakeHttpServer server;
    const QString base = server.url(QString()).toString();
    location.replace(QLatin1String("{base}"), base);
    server.setHandler([&](const httplib::Request &req, httplib::Response &res) {
        if (req.path == "/dir/start") {
            res.status = status;
            res.set_header("Location", location.toStdString());
            res.set_content("start body", "text/plain");
        } else {
            res.set_content("final body", "text/plain");
        }
    });

    QHttpExt engine;
    Recorder recorder(engine);
    const QString start = base + QStringLiteral("/dir/start");
    const QString file = path(QStringLiteral("redirect.bin"));
    QFile::remove(file);
    const int id = toFile ? engine.download(start, file, false) : engine.get(start, false);
    QVERIFY(id != 0);
    QTRY_COMPARE(recorder.finished.size(), 1);
    QCOMPARE(recorder.started.size(), 1);
    const Seen done = recorder.finished.first();
    QCOMPARE(done.id, id);
    QVERIFY(!done.failed);
    const QString finalUrl = base + finalPath;
    QCOMPARE(done.url, finalUrl);
    QCOMPARE(done.redirectUrl, finalPath == QLatin1String("/dir/start") ? QString() : finalUrl);
    QTEST(toFile ? readFile(file) : done.data, "body");
}

void tst_QHttpExt::redirectChainEnds()
{
    // Two addresses sending the transfer to each other.
    FakeHttpServer server;
    const QString base = server.url(QString()).toString();
    server.setHandler([&](const httplib::Request &req, httplib::Response &res) {
        res.status = 302;
        res.set_header("Location", req.path == "/a" ? "/b" : "/a");
    });
    QHttpExt engine;
    Recorder recorder(engine);
    const QString file = path(QStringLiteral("loop.bin"));
    QVERIFY(engine.download(base + QStringLiteral("/a"), file, false, true));
    QTRY_COMPARE(recorder.finished.size(), 1);
    const Seen done = recorder.finished.first();
    QVERIFY(done.failed);
    QCOMPARE(done.error, QStringLiteral("Too many redirects: the transfer was stopped after 10."));
    QCOMPARE(engine.lastError(), done.error);
    QCOMPARE(server.requests().size(), QHttpExt::maxRedirects + 1);
    QVERIFY(!QFile::exists(file));
}

void tst_QHttpExt::nonWebAddresses_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("toFile");

    QTest::newRow("file, get") << "file:///etc/hostname" << false;
    QTest::newRow("file, download") << "file:///etc/hostname" << true;
    QTest::newRow("FILE in capitals") << "FILE:///etc/hostname" << false;
    QTest::newRow("ftp") << "ftp://127.0.0.1/x" << true;
    QTest::newRow("data") << "data:text/plain,hello" << false;
    QTest::newRow("qrc") << "qrc:/x" << false;
    QTest::newRow("no scheme") << "%zz/x" << false;
    QTest::newRow("http without a host") << "http:///x" << false;
}

void tst_QHttpExt::nonWebAddresses()
{
    QFETCH(QString, url);
    QFETCH(bool, toFile);
    const QString file = path(QStringLiteral("nonweb.bin"));
    QVERIFY(writeFile(file, "kept"));
    QHttpExt engine;
    Recorder recorder(engine);
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    const int id = toFile ? engine.download(url, file, true, false, 4) : engine.get(url, true);
    QCOMPARE(id, 0);
    QVERIFY(recorder.events.isEmpty());
    const QString error =
        QStringLiteral("Not a web address, refused: %1").arg(QUrl(url).toString());
    QCOMPARE(engine.lastError(), error);
    // Said to the user, and the file of an earlier run stays as it was.
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().text, error);
    QCOMPARE(readFile(file), QByteArray("kept"));

    // The image fetch too.
    QPixmap image;
    QVERIFY(!engine.downloadImage(url, &image));
    QVERIFY(image.isNull());
}

void tst_QHttpExt::nonWebRedirects_data()
{
    QTest::addColumn<QString>("location"); // {local} stands for a file with known bytes
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<bool>("resumed");

    QTest::newRow("file, get") << "file://{local}" << false << false;
    QTest::newRow("file, download") << "file://{local}" << true << false;
    QTest::newRow("file, resumed download") << "file://{local}" << true << true;
    QTest::newRow("file, with a host") << "file://localhost{local}" << false << false;
    QTest::newRow("data") << "data:text/plain,local%20bytes" << false << false;
    QTest::newRow("ftp") << "ftp://127.0.0.1/local" << true << false;
}

void tst_QHttpExt::nonWebRedirects()
{
    // The probe: a web server that sends the engine to a local file.
    QFETCH(QString, location);
    QFETCH(bool, toFile);
    QFETCH(bool, resumed);
    const QString local = path(QStringLiteral("local-secret.txt"));
    QVERIFY(writeFile(local, "local bytes"));
    location.replace(QLatin1String("{local}"), local);
    FakeHttpServer server;
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        res.status = 302;
        res.set_header("Location", location.toStdString());
    });
    const QString file = path(QStringLiteral("redirected.bin"));
    QFile::remove(file);
    if (resumed)
        QVERIFY(writeFile(file, "0123"));

    QHttpExt engine;
    Recorder recorder(engine);
    const QString url = server.url(QStringLiteral("/start")).toString();
    const int id =
        toFile ? engine.download(url, file, false, true, resumed ? 4 : 0) : engine.get(url, false);
    QVERIFY(id != 0);
    QTRY_COMPARE(recorder.finished.size(), 1);
    const Seen done = recorder.finished.first();
    QVERIFY2(done.failed, qPrintable(done.text));
    QVERIFY(done.data.isEmpty());
    QVERIFY(done.text.isEmpty());
    QCOMPARE(
        done.error,
        QStringLiteral("Redirect to a non-web address refused: %1").arg(QUrl(location).toString()));
    QCOMPARE(engine.lastError(), done.error);
    QCOMPARE(server.requests().size(), 1);
    if (resumed)
        QCOMPARE(readFile(file), QByteArray("0123"));
    else
        QVERIFY(!QFile::exists(file));
}

void tst_QHttpExt::httpsRedirects_data()
{
    QTest::addColumn<QString>("location"); // {https} and {http}: the two local servers
    QTest::addColumn<QString>("error");    // empty: followed

    QTest::newRow("https to https: followed") << "{https}/final" << QString();
    QTest::newRow("https to http: refused") << "{http}/final"
                                            << "Redirect from https to http refused: {http}/final";
}

void tst_QHttpExt::httpsRedirects()
{
    QFETCH(QString, location);
    QFETCH(QString, error);
    TlsTestServer tls;
    QString why;
    if (!tls.start(why))
        QSKIP(qPrintable(why));
    FakeHttpServer plain;
    plain.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content("in clear text", "text/plain");
    });
    for (QString *text : {&location, &error}) {
        text->replace(QLatin1String("{https}"), tls.url(QString()).toString());
        text->replace(QLatin1String("{http}"), plain.url(QString()).toString());
    }
    tls.setAnswer([&](const QByteArray &request) {
        if (request.startsWith("GET /final "))
            return response("200 OK", "encrypted");
        return response("302 Found", "", "Location: " + location.toUtf8() + "\r\n");
    });

    QHttpExt engine;
    Recorder recorder(engine);
    DialogAnswerer answerer; // the self-signed certificate is trusted for this run
    answerer.click(QMessageBox::Yes);
    QVERIFY(engine.get(tls.url(QStringLiteral("/start")).toString(), false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    const Seen done = recorder.finished.first();
    if (error.isEmpty()) {
        QVERIFY2(!done.failed, qPrintable(done.error));
        QCOMPARE(done.text, QStringLiteral("encrypted"));
        QCOMPARE(done.url, location);
    } else {
        QVERIFY(done.failed);
        QVERIFY(done.data.isEmpty());
        QCOMPARE(done.error, error);
        QVERIFY(plain.requests().isEmpty());
    }
}

void tst_QHttpExt::largeRedirectBody_data()
{
    QTest::addColumn<bool>("toFile");
    QTest::newRow("to a file") << true;
    QTest::newRow("into memory") << false;
}

void tst_QHttpExt::largeRedirectBody()
{
    // A redirect whose body is larger than a download's read buffer (and than the memory
    // limit set here): the body is dropped as it comes and the redirect followed.
    QFETCH(bool, toFile);
    const QByteArray redirectBody = testPattern(3 * 1000 * 1000);
    FakeHttpServer server;
    server.setHandler([&](const httplib::Request &req, httplib::Response &res) {
        if (req.path == "/start") {
            res.status = 302;
            res.set_header("Location", "/final");
            res.set_content(redirectBody.constData(), size_t(redirectBody.size()),
                            "application/octet-stream");
        } else {
            res.set_content("final body", "text/plain");
        }
    });
    QHttpExt engine;
    engine.setMemoryLimit(1024 * 1024);
    Recorder recorder(engine);
    const QString file = path(QStringLiteral("large-redirect.bin"));
    const QString url = server.url(QStringLiteral("/start")).toString();
    QVERIFY(toFile ? engine.download(url, file, false, true) : engine.get(url, false));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.finished.size(), 1, 30000);
    const Seen done = recorder.finished.first();
    QVERIFY2(!done.failed, qPrintable(done.error));
    QCOMPARE(done.url, server.url(QStringLiteral("/final")).toString());
    QCOMPARE(toFile ? readFile(file) : done.data, QByteArray("final body"));
}

void tst_QHttpExt::parametersArriveAsSent_data()
{
    QTest::addColumn<bool>("post");
    QTest::addColumn<QString>("value");

    const QStringList values{
        QStringLiteral("Florence + the Machine"),
        QStringLiteral("#1 hit"),
        QStringLiteral("100% pure"),
        QStringLiteral("R&B=soul?"),
        QStringLiteral("a+b=c&d#e%f"),
        QStringLiteral("%2B already %41 encoded"),
        QStringLiteral("Sigur R\u00f3s \u2013 \u00c1g\u00e6tis byrjun \U0001F3B5"),
        QStringLiteral("~-._ /\\:;,!*'()[]@$")};
    for (const bool post : {false, true}) {
        for (const QString &value : values) {
            QTest::newRow(
                qPrintable((post ? QStringLiteral("post: ") : QStringLiteral("get: ")) + value))
                << post << value;
        }
    }
}

void tst_QHttpExt::parametersArriveAsSent()
{
    // What the server decodes is what was given, in the value and in the name.
    QFETCH(bool, post);
    QFETCH(QString, value);
    FakeHttpServer server;
    QMultiMap<QString, QString> seen;
    server.setHandler([&](const httplib::Request &req, httplib::Response &res) {
        for (const auto &param : req.params)
            seen.insert(QString::fromStdString(param.first), QString::fromStdString(param.second));
        res.set_content("ok", "text/plain");
    });
    QHttpExt engine;
    Recorder recorder(engine);
    const QMap<QString, QString> parameters{{QStringLiteral("artist"), value},
                                            {QStringLiteral("song"), QStringLiteral("x")},
                                            {QStringLiteral("n&m=e"), value}};
    const QString url = server.url(QStringLiteral("/lyrics")).toString();
    QVERIFY(post ? engine.post(url, parameters, false) : engine.get(url, parameters, false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QVERIFY(!recorder.finished.first().failed);
    QMultiMap<QString, QString> expected;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        expected.insert(it.key(), it.value());
    QCOMPARE(seen, expected);
}

void tst_QHttpExt::nonUtf8Body_data()
{
    QTest::addColumn<bool>("keepBinary");
    QTest::addColumn<QByteArray>("body");
    const QByteArray latin("caf\xe9 \xff\xfe end");
    // A zero byte ends neither the data nor the text.
    const QByteArray withZero("caf\xe9 \0\xff end", 11);
    QTest::newRow("decoded") << false << latin;
    QTest::newRow("decoded, zero byte") << false << withZero;
    QTest::newRow("keep binary") << true << latin;
}

void tst_QHttpExt::nonUtf8Body()
{
    QFETCH(bool, keepBinary);
    QFETCH(QByteArray, body);
    FakeHttpServer server;
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        res.set_content(body.constData(), size_t(body.size()), "application/octet-stream");
    });
    QHttpExt engine;
    engine.setKeepBinary(keepBinary);
    Recorder recorder(engine);
    QVERIFY(engine.get(server.url().toString(), false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    const Seen done = recorder.finished.first();
    QCOMPARE(done.data, body);
    if (keepBinary) {
        QVERIFY(done.text.isEmpty());
    } else {
        QCOMPARE(done.text, QString::fromUtf8(body));
        QVERIFY(done.text.contains(QChar(QChar::ReplacementCharacter)));
        QVERIFY(done.text.startsWith(QLatin1String("caf")));
        QVERIFY(done.text.endsWith(QLatin1String(" end")));
    }
}

void tst_QHttpExt::parameters_data()
{
    QTest::addColumn<QString>("pathAndQuery");
    QTest::addColumn<QVariantMap>("parameters");
    QTest::addColumn<bool>("post");
    QTest::addColumn<QByteArray>("target"); // request target or post body

    const QVariantMap plain{{"b", "2"}, {"a", "1"}};
    const QVariantMap gap{{"a", "1"}, {"b", ""}, {"c", "3"}};
    const QVariantMap special{{"q", "x&y?z"}, {"s", "caf\u00e9 a"}};
    QTest::newRow("get: key order") << "/p" << plain << false << QByteArray("/p?a=1&b=2");
    QTest::newRow("get: empty value skipped") << "/p" << gap << false << QByteArray("/p?a=1&c=3");
    QTest::newRow("get: existing query")
        << "/p?x=0&" << QVariantMap{{"a", "1"}} << false << QByteArray("/p?x=0&a=1");
    QTest::newRow("get: existing query without a closing &")
        << "/p?x=0" << QVariantMap{{"a", "1"}} << false << QByteArray("/p?x=0&a=1");
    QTest::newRow("get: RFC 3986 encoding")
        << "/p" << QVariantMap{{"q", "a+b #c%d=e~f-g.h_i/j"}} << false
        << QByteArray("/p?q=a%2Bb%20%23c%25d%3De~f-g.h_i%2Fj");
    QTest::newRow("get: & and ? escaped")
        << "/p" << special << false << QByteArray("/p?q=x%26y%3Fz&s=caf%C3%A9%20a");
    QTest::newRow("get: empty map") << "/p" << QVariantMap() << false << QByteArray("/p");
    QTest::newRow("post: form body") << "/p" << plain << true << QByteArray("a=1&b=2");
    QTest::newRow("post: empty value skipped") << "/p" << gap << true << QByteArray("a=1&c=3");
    QTest::newRow("post: fully encoded")
        << "/p" << special << true << QByteArray("q=x%26y%3Fz&s=caf%C3%A9%20a");
}

void tst_QHttpExt::parameters()
{
    QFETCH(QString, pathAndQuery);
    QFETCH(QVariantMap, parameters);
    QFETCH(bool, post);
    QFETCH(QByteArray, target);
    QMap<QString, QString> map;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        map.insert(it.key(), it.value().toString());

    FakeHttpServer server;
    QByteArray seenTarget, seenBody, seenMethod, seenType;
    server.setHandler([&](const httplib::Request &req, httplib::Response &res) {
        seenTarget = QByteArray::fromStdString(req.target);
        seenBody = QByteArray::fromStdString(req.body);
        seenMethod = QByteArray::fromStdString(req.method);
        seenType = QByteArray::fromStdString(req.get_header_value("Content-Type"));
        res.set_content("ok", "text/plain");
    });
    QHttpExt engine;
    Recorder recorder(engine);
    const QString url = server.url(pathAndQuery).toString();
    QVERIFY(post ? engine.post(url, map, false) : engine.get(url, map, false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QVERIFY(!recorder.finished.first().failed);
    if (post) {
        QCOMPARE(seenMethod, QByteArray("POST"));
        QCOMPARE(seenType, QByteArray("application/x-www-form-urlencoded;charset=UTF-8"));
        QCOMPARE(seenBody, target);
    } else {
        QCOMPARE(seenMethod, QByteArray("GET"));
        QCOMPARE(seenTarget, target);
    }
}

void tst_QHttpExt::postBodies()
{
    FakeHttpServer server;
    QList<QByteArray> methods, bodies;
    server.setHandler([&](const httplib::Request &req, httplib::Response &res) {
        methods << QByteArray::fromStdString(req.method);
        bodies << QByteArray::fromStdString(req.body);
        res.set_content("ok", "text/plain");
    });
    QHttpExt engine;
    Recorder recorder(engine);
    const QString url = server.url().toString();
    const QByteArray body("raw \x01 body", 10);
    QVERIFY(engine.post(url, body, false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    // The body belongs to one request only.
    QVERIFY(engine.get(url, false));
    QTRY_COMPARE(recorder.finished.size(), 2);
    QCOMPARE(methods, QList<QByteArray>({"POST", "GET"}));
    QCOMPARE(bodies.first(), body);
    QVERIFY(bodies.last().isEmpty());
}

void tst_QHttpExt::failures_data()
{
    QTest::addColumn<int>("status"); // 0: nobody listens
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<QString>("error");

    const QString notFound = QHttpExt::errorText(QNetworkReply::ContentNotFoundError);
    QTest::newRow("404") << 404 << false << notFound;
    QTest::newRow("404 to a file") << 404 << true << notFound;
    QTest::newRow("403") << 403 << false << QHttpExt::errorText(QNetworkReply::ContentAccessDenied);
    QTest::newRow("refused") << 0 << true
                             << QHttpExt::errorText(QNetworkReply::ConnectionRefusedError);
    // A code outside the table still gives the user a reason.
    QTest::newRow("500") << 500 << false << QString();
}

void tst_QHttpExt::failures()
{
    QFETCH(int, status);
    QFETCH(bool, toFile);
    QFETCH(QString, error);
    QString url;
    std::unique_ptr<FakeHttpServer> server;
    if (status == 0) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        url = QStringLiteral("http://127.0.0.1:%1/x").arg(closed.serverPort());
    } else {
        server = std::make_unique<FakeHttpServer>();
        server->setHandler([status](const httplib::Request &, httplib::Response &res) {
            res.status = status;
            res.set_content("error page", "text/plain");
        });
        url = server->url(QStringLiteral("/x")).toString();
    }
    QHttpExt engine;
    Recorder recorder(engine);
    const QString file = path(QStringLiteral("failed.bin"));
    QVERIFY(toFile ? engine.download(url, file, false, true) : engine.get(url, false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    const Seen done = recorder.finished.first();
    QVERIFY(done.failed);
    QVERIFY(done.data.isEmpty());
    if (error.isEmpty())
        QVERIFY(!done.error.isEmpty());
    else
        QCOMPARE(done.error, error);
    QCOMPARE(engine.lastError(), done.error);
    QVERIFY(!QFile::exists(file));
}

void tst_QHttpExt::errorsShownWhenAsked()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) { res.status = 404; });
    QHttpExt engine;
    Recorder recorder(engine);
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    QCOMPARE(engine.get(QStringLiteral("http://[::1"), true), 0);
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Invalid URL: http://[::1"));

    answerer.click(QMessageBox::Ok);
    QVERIFY(engine.get(server.url().toString(), true));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QCOMPARE(answerer.answered(), 2);
    QCOMPARE(answerer.seen().last().text, QHttpExt::errorText(QNetworkReply::ContentNotFoundError));
    QCOMPARE(answerer.seen().last().icon, QMessageBox::Critical);
}

void tst_QHttpExt::fileCannotBeOpened()
{
    const QString file = path(QStringLiteral("no/such/folder/x.bin"));
    QHttpExt engine;
    Recorder recorder(engine);
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    QCOMPARE(engine.download(QStringLiteral("http://127.0.0.1:1/x"), file, true), 0);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Error"));
    QVERIFY(answerer.seen().first().text.startsWith(
        QStringLiteral("Unable to save file.<br><br>%1<br><br><b>").arg(file)));
    QFile probe(file);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    QCOMPARE(engine.lastError(), probe.errorString());
    QVERIFY(recorder.events.isEmpty());

    QCOMPARE(engine.download(QString(), path(QStringLiteral("x.bin")), false), 0);
    QCOMPARE(engine.download(QStringLiteral("http://127.0.0.1:1/x"), QString(), false), 0);
}

void tst_QHttpExt::abortAllLeavesNoFile()
{
    std::atomic<bool> stop{false};
    FakeHttpServer server;
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        res.set_chunked_content_provider(
            "application/octet-stream", [&](size_t, httplib::DataSink &sink) {
                const std::string chunk(16384, 'x');
                if (stop || !sink.write(chunk.data(), chunk.size()))
                    return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                return true;
            });
    });
    QHttpExt engine;
    Recorder recorder(engine);
    const QString file = path(QStringLiteral("aborted.bin"));
    connect(&engine, &QHttpExt::sig_ReadProgress, &engine, [&](qint64 received, qint64) {
        if (received > 0 && QFile(file).size() > 0)
            engine.abortAll();
    });
    QVERIFY(engine.download(server.url().toString(), file, false, true));
    QTRY_COMPARE(recorder.finished.size(), 1);
    stop = true;
    const Seen done = recorder.finished.first();
    QVERIFY(done.failed);
    QCOMPARE(done.error, QHttpExt::errorText(QNetworkReply::OperationCanceledError));
    QCOMPARE(done.fileName, file);
    QVERIFY(!QFile::exists(file));
}

void tst_QHttpExt::twoDownloadsAtOnce()
{
    // Each body arrives in many pieces, interleaved with the other's.
    const QByteArray first = testPattern(3 << 20);
    const QByteArray second = testPattern(2 << 20).toUpper();
    FakeHttpServer server;
    server.setHandler([&](const httplib::Request &req, httplib::Response &res) {
        const QByteArray &body = req.path == "/first" ? first : second;
        res.set_content_provider(size_t(body.size()), "application/octet-stream",
                                 [&body](size_t offset, size_t length, httplib::DataSink &sink) {
                                     return sink.write(body.constData() + offset,
                                                       std::min<size_t>(length, 4096));
                                 });
    });
    QHttpExt engine;
    Recorder recorder(engine);
    engine.setLastError(QStringLiteral("stale"));
    const QString firstFile = path(QStringLiteral("first.bin"));
    const QString secondFile = path(QStringLiteral("second.bin"));
    QVERIFY(
        engine.download(server.url(QStringLiteral("/first")).toString(), firstFile, false, true));
    QVERIFY(
        engine.download(server.url(QStringLiteral("/second")).toString(), secondFile, false, true));
    QTRY_COMPARE(recorder.finished.size(), 2);
    for (const Seen &done : qAsConst(recorder.finished)) {
        QVERIFY(!done.failed);
        QVERIFY(done.error.isEmpty());
    }
    QCOMPARE(readFile(firstFile), first);
    QCOMPARE(readFile(secondFile), second);
}

void tst_QHttpExt::overwriteQuestion_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("Cancel keeps the file") << QMessageBox::Cancel << QByteArray("old content");
    QTest::newRow("Ok replaces it") << QMessageBox::Ok << QByteArray("new");
}

void tst_QHttpExt::overwriteQuestion()
{
    QFETCH(QMessageBox::StandardButton, answer);
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content("new", "text/plain");
    });
    const QString file = path(QStringLiteral("existing.bin"));
    QVERIFY(writeFile(file, "old content"));
    QHttpExt engine;
    Recorder recorder(engine);
    DialogAnswerer answerer;
    answerer.click(answer);
    const int id = engine.download(server.url().toString(), file, true);
    QCOMPARE(answerer.answered(), 1);
    const DialogAnswerer::Seen question = answerer.seen().first();
    QCOMPARE(question.title, QStringLiteral("Download"));
    QCOMPARE(question.text,
             QStringLiteral("There already exists a file called %1 in the current directory. "
                            "Overwrite?")
                 .arg(file));
    QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) {
        QCOMPARE(id, 0);
        QVERIFY(recorder.events.isEmpty());
        QVERIFY(server.requests().isEmpty());
    } else {
        QVERIFY(id != 0);
        QTRY_COMPARE(recorder.finished.size(), 1);
        QVERIFY(!recorder.finished.first().failed);
    }
    QTEST(readFile(file), "content");
}

void tst_QHttpExt::resume_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<bool>("honourRange");
    QTest::addColumn<QByteArray>("rangeSent");

    QTest::newRow("server sends the rest") << true << true << QByteArray("bytes=4-");
    QTest::newRow("server sends everything") << true << false << QByteArray("bytes=4-");
    QTest::newRow("no file: from the start") << false << true << QByteArray();
}

void tst_QHttpExt::resume()
{
    QFETCH(bool, fileExists);
    QFETCH(bool, honourRange);
    const QByteArray whole = "0123456789abcdef";
    ScriptedServer server([&](const QByteArray &request) {
        if (honourRange && request.contains("\r\nRange: bytes=4-\r\n"))
            return response("206 Partial Content", whole.mid(4),
                            "Content-Range: bytes 4-15/16\r\n");
        return response("200 OK", whole);
    });
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString url = QStringLiteral("http://127.0.0.1:%1/video").arg(server.serverPort());
    const QString file = path(QStringLiteral("resumed.bin"));
    QFile::remove(file);
    if (fileExists)
        QVERIFY(writeFile(file, "0123"));
    QHttpExt engine;
    Recorder recorder(engine);
    QVERIFY(engine.download(url, file, false, false, 4));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QVERIFY(!recorder.finished.first().failed);
    QCOMPARE(readFile(file), whole);
    QFETCH(QByteArray, rangeSent);
    QCOMPARE(server.requests.first().contains("\r\nRange: " + rangeSent + "\r\n"),
             !rangeSent.isEmpty());
    QCOMPARE(server.requests.first().contains("Range:"), !rangeSent.isEmpty());

    // The range went with one request only.
    QVERIFY(engine.get(url, false));
    QTRY_COMPARE(recorder.finished.size(), 2);
    QVERIFY(!server.requests.last().contains("Range:"));
}

void tst_QHttpExt::failedResumeKeepsEarlierBytes_data()
{
    QTest::addColumn<QByteArray>("answer"); // the whole raw answer, then the server closes
    QTest::addColumn<QByteArray>("kept");   // the file afterwards

    const QByteArray earlier = "0123";
    QTest::newRow("the rest, cut")
        << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 4-15/16\r\n"
                      "Content-Length: 12\r\n\r\n45")
        << earlier;
    QTest::newRow("not found") << response("404 Not Found", "gone") << earlier;
    QTest::newRow("range refused") << response("416 Range Not Satisfiable", "") << earlier;
    QTest::newRow("range ignored, cut short")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 16\r\n\r\n01") << earlier;
    QTest::newRow("range ignored, cut after more")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 16\r\n\r\n0123456") << earlier;
    QTest::newRow("redirect, then cut")
        << QByteArray("HTTP/1.1 302 Found\r\nLocation: /cut\r\nContent-Length: 0\r\n\r\n")
        << earlier;
}

void tst_QHttpExt::failedResumeKeepsEarlierBytes()
{
    QFETCH(QByteArray, answer);
    ScriptedServer server([&](const QByteArray &request) {
        if (request.startsWith("GET /cut "))
            return QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 4-15/16\r\n"
                              "Content-Length: 12\r\n\r\n45");
        return answer;
    });
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString url = QStringLiteral("http://127.0.0.1:%1/video").arg(server.serverPort());
    const QString file = path(QStringLiteral("resume-failed.bin"));
    QVERIFY(writeFile(file, "0123"));
    QHttpExt engine;
    Recorder recorder(engine);
    QVERIFY(engine.download(url, file, false, false, 4));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QVERIFY(recorder.finished.first().failed);
    QVERIFY(!recorder.finished.first().error.isEmpty());
    QTEST(readFile(file), "kept");

    // The same answer to a fresh download leaves nothing behind.
    QFile::remove(file);
    QVERIFY(engine.download(url, file, false, true, 0));
    QTRY_COMPARE(recorder.finished.size(), 2);
    QVERIFY(recorder.finished.last().failed);
    QVERIFY(!QFile::exists(file));
}

void tst_QHttpExt::rangeIgnoredOverLongerFile()
{
    // The whole body, shorter than the file that was there: the file ends where the body ends.
    const QByteArray whole = "0123456789abcdef";
    ScriptedServer server([&](const QByteArray &) { return response("200 OK", whole); });
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString file = path(QStringLiteral("longer.bin"));
    QVERIFY(writeFile(file, "0123456789abcdefXYZXYZ"));
    QHttpExt engine;
    Recorder recorder(engine);
    QVERIFY(engine.download(QStringLiteral("http://127.0.0.1:%1/v").arg(server.serverPort()), file,
                            false, false, 22));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QVERIFY(!recorder.finished.first().failed);
    QCOMPARE(readFile(file), whole);
}

void tst_QHttpExt::serverClosesMidBody_data()
{
    QTest::addColumn<bool>("toFile");
    QTest::newRow("to a file") << true;
    QTest::newRow("into memory") << false;
}

void tst_QHttpExt::serverClosesMidBody()
{
    QFETCH(bool, toFile);
    ScriptedServer server([](const QByteArray &) {
        return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 200000\r\n\r\n") + testPattern(50000);
    });
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString url = QStringLiteral("http://127.0.0.1:%1/cut").arg(server.serverPort());
    const QString file = path(QStringLiteral("cut.bin"));
    QHttpExt engine;
    Recorder recorder(engine);
    QVERIFY(toFile ? engine.download(url, file, false, true) : engine.get(url, false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    const Seen done = recorder.finished.first();
    QVERIFY(done.failed);
    QVERIFY(done.data.isEmpty());
    QCOMPARE(done.error, QHttpExt::errorText(QNetworkReply::RemoteHostClosedError));
    QVERIFY(!QFile::exists(file));
}

void tst_QHttpExt::writeFailureRemovesFile()
{
    const QByteArray body = testPattern(1 << 20);
    FakeHttpServer server;
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        res.set_content(body.constData(), size_t(body.size()), "application/octet-stream");
    });
    const QString file = path(QStringLiteral("too-large.bin"));
    QHttpExt engine;
    Recorder recorder(engine);

    // Files of this process may grow to 64 KiB for the length of this one transfer.
    int id = 0;
    bool ended = false;
    {
        FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.isActive());
        id = engine.download(server.url().toString(), file, false, true);
        ended = QTest::qWaitFor([&] { return !recorder.finished.isEmpty(); }, 10000);
    }

    QVERIFY(id != 0);
    QVERIFY(ended);
    QCOMPARE(recorder.finished.size(), 1);
    const Seen done = recorder.finished.first();
    QVERIFY(done.failed);
    QCOMPARE(done.error, QString::fromLocal8Bit(strerror(EFBIG)));
    QCOMPARE(engine.lastError(), done.error);
    QVERIFY(!QFile::exists(file));
}

void tst_QHttpExt::memoryLimit_data()
{
    QTest::addColumn<bool>("announced");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("failed");
    QTest::newRow("with Content-Length") << true << 300000 << true;
    QTest::newRow("chunked") << false << 300000 << true;
    QTest::newRow("at the limit") << true << 100000 << false;
}

void tst_QHttpExt::memoryLimit()
{
    QFETCH(bool, announced);
    QFETCH(int, size);
    QFETCH(bool, failed);
    const QByteArray body = testPattern(size);
    FakeHttpServer server;
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        if (announced) {
            res.set_content(body.constData(), size_t(body.size()), "application/octet-stream");
            return;
        }
        res.set_chunked_content_provider(
            "application/octet-stream", [&](size_t offset, httplib::DataSink &sink) {
                const size_t left = size_t(body.size()) - offset;
                if (left == 0) {
                    sink.done();
                    return true;
                }
                return sink.write(body.constData() + offset, std::min<size_t>(left, 8192));
            });
    });
    QHttpExt engine;
    QCOMPARE(engine.memoryLimit(), qint64(64) * 1024 * 1024);
    engine.setMemoryLimit(100000);
    Recorder recorder(engine);
    QVERIFY(engine.get(server.url().toString(), false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    const Seen done = recorder.finished.first();
    QCOMPARE(done.failed, failed);
    if (failed) {
        QVERIFY(done.data.isEmpty());
        QCOMPARE(done.error, QStringLiteral("The reply is larger than the limit of 100000 bytes."));
    } else {
        QCOMPARE(done.data, body);
    }
}

void tst_QHttpExt::presetCredentials()
{
    FakeHttpServer server;
    answerMembersOnly(server);
    QHttpExt engine;
    engine.setCredentials(QStringLiteral("ann"), QStringLiteral("se cret"));
    Recorder recorder(engine);
    DialogAnswerer answerer; // any dialog would be unexpected
    QVERIFY(engine.get(server.url().toString(), false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QVERIFY(!recorder.finished.first().failed);
    QCOMPARE(recorder.finished.first().text, QStringLiteral("welcome"));
    QVERIFY(answerer.seen().isEmpty());
}

void tst_QHttpExt::authenticationDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void tst_QHttpExt::authenticationDialog()
{
    QFETCH(bool, accept);
    FakeHttpServer server;
    answerMembersOnly(server);
    QHttpExt engine;
    Recorder recorder(engine);
    DialogAnswerer answerer;
    QString site;
    if (accept)
        answerer.handle(fillCredentials(QStringLiteral("ann"), QStringLiteral("se cret"), &site));
    else
        answerer.reject();
    const QString url = server.url(QStringLiteral("/private")).toString();
    QVERIFY(engine.get(url, false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Http authentication required"));
    const Seen done = recorder.finished.first();
    if (accept) {
        QCOMPARE(site, QStringLiteral("members at %1").arg(url));
        QVERIFY(!done.failed);
        QCOMPARE(done.text, QStringLiteral("welcome"));
    } else {
        QVERIFY(done.failed);
        QCOMPARE(done.error, QHttpExt::errorText(QNetworkReply::AuthenticationRequiredError));
    }
}

void tst_QHttpExt::proxyAuthentication()
{
    // "pat:pw"
    ScriptedServer proxy([](const QByteArray &request) {
        if (request.contains("\r\nProxy-Authorization: Basic cGF0OnB3\r\n"))
            return response("200 OK", "through the proxy: " + request.split(' ').value(1));
        return response("407 Proxy Authentication Required", "",
                        "Proxy-Authenticate: Basic realm=\"gate\"\r\n");
    });
    QVERIFY(proxy.listen(QHostAddress::LocalHost));
    QHttpExt engine;
    engine.setProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.serverPort()));
    Recorder recorder(engine);
    DialogAnswerer answerer;
    QString site;
    answerer.handle(fillCredentials(QStringLiteral("pat"), QStringLiteral("pw"), &site));
    QVERIFY(engine.get(QStringLiteral("http://video.example/page"), false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(site, QStringLiteral("gate at 127.0.0.1"));
    const Seen done = recorder.finished.first();
    QVERIFY(!done.failed);
    QCOMPARE(done.text, QStringLiteral("through the proxy: http://video.example/page"));
    QCOMPARE(proxy.requests.size(), 2);
}

void tst_QHttpExt::certificateQuestion_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("No") << QMessageBox::No;
    QTest::newRow("Yes") << QMessageBox::Yes;
}

void tst_QHttpExt::certificateQuestion()
{
    QFETCH(QMessageBox::StandardButton, answer);
    TlsTestServer tls;
    QString error;
    if (!tls.start(error))
        QSKIP(qPrintable(error));
    const QString url = tls.url().toString();

    QHttpExt engine;
    Recorder recorder(engine);
    DialogAnswerer answerer;
    answerer.click(answer);
    QVERIFY(engine.get(url, false));
    QTRY_COMPARE(recorder.finished.size(), 1);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().buttons, QMessageBox::Yes | QMessageBox::No);

    // The answer holds for the next request: no second question.
    QVERIFY(engine.get(url, false));
    QTRY_COMPARE(recorder.finished.size(), 2);
    QCOMPARE(answerer.seen().size(), 1);
    for (const Seen &done : qAsConst(recorder.finished)) {
        if (answer == QMessageBox::Yes) {
            QVERIFY(!done.failed);
            QCOMPARE(done.text, QStringLiteral("secret"));
        } else {
            QVERIFY(done.failed);
            QCOMPARE(done.error, QHttpExt::errorText(QNetworkReply::SslHandshakeFailedError));
        }
    }
}

QTEST_MAIN(tst_QHttpExt)
#include "tst_qhttpext.moc"
