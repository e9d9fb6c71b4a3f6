#include "cookiejar.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QNetworkCookie>
#include <QSettings>
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
        expected = QStringLiteral("Network Cookie value value");
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

QTEST_MAIN(tst_Logging)

#include "tst_logging.moc"
