#include "cookiefile.h"
#include "cookiejar.h"
#include "qhttpext.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QNetworkCookie>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using QT_EXT::CookieJar;

namespace {

struct Captured
{
    QtMsgType type;
    QString category;
    QString text;
};

QList<Captured> captured;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    captured.append({type, QString::fromUtf8(context.category), text});
}

} // namespace

// The network library's diagnostics go through "mvp.net": warnings by default, debug lines only
// when a rule switches them on.
class tst_Logging : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void rules_data();
    void rules();
    void cookieValuesNeverLogged();

private:
    QTemporaryDir dir;
    QtMessageHandler previousHandler = nullptr;
};

void tst_Logging::initTestCase()
{
    QVERIFY(dir.isValid());
    QCoreApplication::setOrganizationName(QStringLiteral("QuorbelTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_logging"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    // Rules from the caller's environment would outrank the ones each row sets.
    qunsetenv("QT_LOGGING_RULES");
    qunsetenv("QT_LOGGING_CONF");
}

void tst_Logging::init()
{
    captured.clear();
    previousHandler = qInstallMessageHandler(capture);
}

void tst_Logging::cleanup()
{
    qInstallMessageHandler(previousHandler);
    QLoggingCategory::setFilterRules(QString());
}

void tst_Logging::rules_data()
{
    QTest::addColumn<QString>("rules");
    QTest::addColumn<bool>("warning");
    QTest::addColumn<bool>("shown");

    QTest::newRow("debug, no rules") << QString() << false << false;
    QTest::newRow("debug, mvp.net on") << "mvp.net.debug=true" << false << true;
    QTest::newRow("debug, mvp.* on") << "mvp.*.debug=true" << false << true;
    QTest::newRow("debug, all on") << "*.debug=true" << false << true;
    QTest::newRow("debug, another category on") << "mvp.page.debug=true" << false << false;
    QTest::newRow("debug, mvp.* on but mvp.net off")
        << "mvp.*.debug=true\nmvp.net.debug=false" << false << false;
    QTest::newRow("warning, no rules") << QString() << true << true;
    QTest::newRow("warning, mvp.net warnings off") << "mvp.net.warning=false" << true << false;
}

void tst_Logging::rules()
{
    QFETCH(QString, rules);
    QFETCH(bool, warning);
    QFETCH(bool, shown);

    QLoggingCategory::setFilterRules(rules);
    QObject owner;
    QString expected;
    if (warning) {
        // A folder below a plain file cannot be made, whoever runs the test.
        const QString file = dir.filePath(QStringLiteral("plain-file"));
        QFile plain(file);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        CookieJar jar(nullptr, &owner, file + QStringLiteral("/cookies"));
        expected = QStringLiteral("CookieJar::CookieJar cannot create");
    } else {
        QTemporaryDir data;
        QVERIFY(data.isValid());
        CookieJar jar(nullptr, &owner, data.path());
        const QNetworkCookie cookie("name", "value");
        QVERIFY(jar.setCookiesFromUrl({cookie}, QUrl(QStringLiteral("http://www.example.com/"))));
        expected = QStringLiteral("Network Cookie name from www.example.com");
    }
    qInstallMessageHandler(previousHandler);

    const QtMsgType type = warning ? QtWarningMsg : QtDebugMsg;
    bool found = false;
    for (const Captured &message : qAsConst(captured)) {
        if (message.text.startsWith(expected)) {
            found = true;
            QCOMPARE(message.category, QStringLiteral("mvp.net"));
            QCOMPARE(message.type, type);
        }
    }
    QCOMPARE(found, shown);
}

void tst_Logging::cookieValuesNeverLogged()
{
    // Every category at every level: a cookie's name and domain may show, its value never,
    // whether the jar takes it, saves and reads it, finds it unreadable, or it goes to or
    // comes from a server.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true"));
    const QUrl site(QStringLiteral("http://www.example.com/"));
    QObject owner;
    QTemporaryDir data;
    QVERIFY(data.isValid());
    {
        CookieJar jar(nullptr, &owner, data.path());
        QNetworkCookie cookie("sid", "jarSecret1");
        cookie.setExpirationDate(QDateTime::currentDateTime().addDays(2));
        QVERIFY(jar.setCookiesFromUrl({cookie}, site));
        jar.slot_Save();
    }
    {
        CookieJar jar(nullptr, &owner, data.path());
        QCOMPARE(jar.cookiesForUrl(site).size(), 1);
    }

    // A saved entry that does not parse, as a damaged file may hold.
    QByteArray bytes;
    {
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_4_0);
        stream << quint32(127) << "QList<QNetworkCookie>" << quint32(23) << quint32(1)
               << QByteArray("fileSecret2");
    }
    QVERIFY(QT_EXT::CookieFile::cookiesFromVariantBytes(bytes).isEmpty());

    // A request that carries a cookie and an answer that sets one.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    connect(&server, &QTcpServer::newConnection, &server, [&server] {
        QTcpSocket *socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            if (!socket->peek(65536).contains("\r\n\r\n"))
                return;
            socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nSet-Cookie: answer=setSecret3; Path=/\r\n"
                          "Content-Length: 2\r\nConnection: close\r\n\r\nok");
            socket->disconnectFromHost();
        });
    });
    QT_EXT::QHttpExt engine;
    connect(&engine, &QT_EXT::QHttpExt::sig_Initializing, &engine,
            [](QNetworkRequest &request) { request.setRawHeader("Cookie", "asked=sentSecret4"); });
    bool finished = false;
    connect(&engine, &QT_EXT::QHttpExt::sig_Finished, &engine,
            [&finished](const QT_EXT::QHttpExt::httpInfo *) { finished = true; });
    QVERIFY(engine.get(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()), false));
    QTRY_VERIFY(finished);
    qInstallMessageHandler(previousHandler);

    bool namedCookie = false;
    for (const Captured &message : qAsConst(captured)) {
        for (const char *secret : {"jarSecret1", "fileSecret2", "setSecret3", "sentSecret4"}) {
            QVERIFY2(!message.text.contains(QLatin1String(secret)),
                     qPrintable(message.category + QStringLiteral(": ") + message.text));
        }
        if (message.text.startsWith(QLatin1String("Network Cookie sid from www.example.com")))
            namedCookie = true;
    }
    QVERIFY(namedCookie);
}

QTEST_MAIN(tst_Logging)

#include "tst_logging.moc"
