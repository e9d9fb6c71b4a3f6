#include "cookiejar.h"
#include "dialoganswerer.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QNetworkCookie>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using QT_EXT::CookieJar;

namespace {

const QUrl siteUrl(QStringLiteral("http://www.example.com/"));

QNetworkCookie makeCookie(const QByteArray &name, const QDateTime &expires = QDateTime(),
                          const QString &domain = QString())
{
    QNetworkCookie cookie(name, "value-" + name);
    cookie.setExpirationDate(expires);
    cookie.setDomain(domain);
    return cookie;
}

QNetworkCookie persistentCookie(const QByteArray &name)
{
    return makeCookie(name, QDateTime::currentDateTimeUtc().addDays(30));
}

// The raw form of a cookie as the jar keeps it once taken from siteUrl.
QByteArray storedForm(QNetworkCookie cookie)
{
    cookie.normalize(siteUrl);
    return cookie.toRawForm(QNetworkCookie::Full);
}

QStringList names(const QList<QNetworkCookie> &cookies)
{
    QStringList result;
    for (const QNetworkCookie &cookie : cookies)
        result << QString::fromLatin1(cookie.name());
    result.sort();
    return result;
}

// The stream of a cookie list as the jar writes it: version, count, raw forms.
QByteArray cookieStream(quint32 version, quint32 count, const QList<QByteArray> &entries)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << version << count;
    for (const QByteArray &entry : entries)
        stream << entry;
    return bytes;
}

} // namespace

class tst_CookieJar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void acceptPolicy_data();
    void acceptPolicy();
    void exceptionListsAreSorted();
    void loadSettings_data();
    void loadSettings();
    void policySetterSchedulesOnlyOnChange();
    void timeLimit_data();
    void timeLimit();
    void burstOfCookiesSavedOnceAndLater();
    void savedFile();
    void readSavedStream_data();
    void readSavedStream();
    void fileOfEarlierBuild_data();
    void fileOfEarlierBuild();
    void keepUntilExit();
    void clearIsSaved();
    void deletedCookieIsSaved();
    void expiredCookiesPurgedOnSave();
    void noOwner();
    void memoryOnlyWhenFolderCannotBeMade();
    void defaultFolder();
    void dumpCookies();

private:
    std::unique_ptr<CookieJar> newJar(QObject *owner = nullptr);
    QString cookieFile() const { return dataDir->filePath(QStringLiteral("cookies.ini")); }
    QByteArray variantHeader() const;
    QByteArray fileText() const;
    // A copy of the jar's file that the settings file can read: the cookies as a byte array.
    QString readableCopy();
    QByteArray readStoredStream();
    void writeStoredStream(const QByteArray &stream);

    QTemporaryDir settingsDir;
    std::unique_ptr<QTemporaryDir> dataDir;
    QObject owner;
};

void tst_CookieJar::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(settingsDir.filePath(QStringLiteral("data"))));
    QCoreApplication::setOrganizationName(QStringLiteral("QuorbelTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_cookiejar"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
}

void tst_CookieJar::init()
{
    QSettings().clear();
    dataDir = std::make_unique<QTemporaryDir>();
    QVERIFY(dataDir->isValid());
}

void tst_CookieJar::cleanup()
{
    dataDir.reset();
}

std::unique_ptr<CookieJar> tst_CookieJar::newJar(QObject *jarOwner)
{
    return std::make_unique<CookieJar>(nullptr, jarOwner ? jarOwner : &owner, dataDir->path());
}

// The settings file stores a user-type value as "@Variant(" + the QVariant in stream form (version
// Qt 4.0) + ")", and a byte array as "@ByteArray(...)" with the same escaping; swapping the two
// words lets the test read and write the stored bytes without going through the jar. The
// variant's stream starts with the user-type number 127 and the type name with its terminating
// zero; the jar's stream of the list follows.
QByteArray tst_CookieJar::variantHeader() const
{
    return QByteArray("\0\0\0\x7f"
                      "\0\0\0\x16"
                      "QList<QNetworkCookie>",
                      29) +
           '\0';
}

QByteArray tst_CookieJar::fileText() const
{
    QFile file(cookieFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString tst_CookieJar::readableCopy()
{
    QByteArray text = fileText();
    if (!text.contains("@Variant("))
        return QString();
    const QString copy = dataDir->filePath(QStringLiteral("copy.ini"));
    QFile out(copy);
    if (!out.open(QIODevice::WriteOnly))
        return QString();
    out.write(text.replace("@Variant(", "@ByteArray("));
    return copy;
}

QByteArray tst_CookieJar::readStoredStream()
{
    const QString copy = readableCopy();
    if (copy.isEmpty())
        return QByteArray();
    const QByteArray bytes = QSettings(copy, QSettings::IniFormat).value("cookies").toByteArray();
    const QByteArray header = variantHeader();
    if (!bytes.startsWith(header))
        return QByteArray();
    return bytes.mid(header.size());
}

void tst_CookieJar::writeStoredStream(const QByteArray &stream)
{
    {
        QSettings settings(cookieFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("cookies"), variantHeader() + stream);
    }
    QFile file(cookieFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    QVERIFY(text.contains("@ByteArray("));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.replace("@ByteArray(", "@Variant("));
}

void tst_CookieJar::acceptPolicy_data()
{
    QTest::addColumn<CookieJar::AcceptPolicy>("policy");
    QTest::addColumn<QStringList>("blocked");
    QTest::addColumn<QStringList>("allowed");
    QTest::addColumn<QStringList>("allowedForSession");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("stored");

    const QString host = siteUrl.host();
    // Unsorted on purpose: the lists are searched by bisection.
    const QStringList withHost{QStringLiteral("zz.example"), host, QStringLiteral("aa.example"),
                               QStringLiteral("mm.example")};
    const QStringList withoutHost{QStringLiteral("example.com"), QStringLiteral("aa.example")};
    const QStringList none;

    QTest::newRow("always") << CookieJar::AcceptAlways << none << none << none << QString() << true;
    QTest::newRow("always, host blocked")
        << CookieJar::AcceptAlways << withHost << none << none << QString() << false;
    QTest::newRow("always, other hosts blocked")
        << CookieJar::AcceptAlways << withoutHost << none << none << QString() << true;
    QTest::newRow("always, blocked host also allowed")
        << CookieJar::AcceptAlways << withHost << withHost << none << QString() << false;
    QTest::newRow("always, cookie for another site")
        << CookieJar::AcceptAlways << none << none << none << QStringLiteral(".other.org") << false;
    QTest::newRow("always, cookie for a public suffix")
        << CookieJar::AcceptAlways << none << none << none << QStringLiteral(".com") << false;
    QTest::newRow("always, cookie for the parent domain")
        << CookieJar::AcceptAlways << none << none << none << QStringLiteral(".example.com")
        << true;
    QTest::newRow("never") << CookieJar::AcceptNever << none << none << none << QString() << false;
    QTest::newRow("never, other hosts allowed")
        << CookieJar::AcceptNever << none << withoutHost << withoutHost << QString() << false;
    QTest::newRow("never, host allowed")
        << CookieJar::AcceptNever << none << withHost << none << QString() << true;
    QTest::newRow("never, host allowed for the session")
        << CookieJar::AcceptNever << none << none << withHost << QString() << true;
    QTest::newRow("never, host allowed and blocked")
        << CookieJar::AcceptNever << withHost << withHost << none << QString() << true;
    QTest::newRow("navigated to") << CookieJar::AcceptOnlyFromSitesNavigatedTo << none << none
                                  << none << QString() << true;
    QTest::newRow("navigated to, host blocked") << CookieJar::AcceptOnlyFromSitesNavigatedTo
                                                << withHost << none << none << QString() << false;
    QTest::newRow("navigated to, cookie for another site")
        << CookieJar::AcceptOnlyFromSitesNavigatedTo << none << none << none
        << QStringLiteral(".other.org") << false;
}

void tst_CookieJar::acceptPolicy()
{
    QFETCH(CookieJar::AcceptPolicy, policy);
    QFETCH(QStringList, blocked);
    QFETCH(QStringList, allowed);
    QFETCH(QStringList, allowedForSession);
    QFETCH(QString, domain);
    QFETCH(bool, stored);

    auto jar = newJar();
    QCOMPARE(jar->acceptPolicy(), CookieJar::AcceptOnlyFromSitesNavigatedTo);
    jar->setAcceptPolicy(policy);
    jar->setBlockedCookies(blocked);
    jar->setAllowedCookies(allowed);
    jar->setAllowForSessionCookies(allowedForSession);

    const QNetworkCookie cookie =
        makeCookie("c", QDateTime::currentDateTimeUtc().addDays(1), domain);
    QCOMPARE(jar->setCookiesFromUrl({cookie}, siteUrl), stored);
    QCOMPARE(names(jar->cookiesForUrl(siteUrl)),
             stored ? QStringList{QStringLiteral("c")} : QStringList());
    QVERIFY(jar->cookiesForUrl(QUrl(QStringLiteral("http://www.other.org/"))).isEmpty());
}

void tst_CookieJar::exceptionListsAreSorted()
{
    auto jar = newJar();
    const QStringList hosts{QStringLiteral("b.example"), QStringLiteral("c.example"),
                            QStringLiteral("a.example")};
    const QStringList sortedHosts{QStringLiteral("a.example"), QStringLiteral("b.example"),
                                  QStringLiteral("c.example")};
    jar->setBlockedCookies(hosts);
    jar->setAllowedCookies(hosts);
    jar->setAllowForSessionCookies(hosts);
    QCOMPARE(jar->blockedCookies(), sortedHosts);
    QCOMPARE(jar->allowedCookies(), sortedHosts);
    QCOMPARE(jar->allowForSessionCookies(), sortedHosts);
    QCOMPARE(jar->property("blockedCookies").toStringList(), sortedHosts);

    // A file edited by hand is sorted on reading.
    jar.reset();
    {
        QFile file(cookieFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Exceptions]\n"
                   "block=b.example, c.example, a.example\n"
                   "allow=b.example, c.example, a.example\n"
                   "allowForSession=b.example, c.example, a.example\n");
    }
    jar = newJar();
    QCOMPARE(jar->blockedCookies(), sortedHosts);
    QCOMPARE(jar->allowedCookies(), sortedHosts);
    QCOMPARE(jar->allowForSessionCookies(), sortedHosts);
}

void tst_CookieJar::loadSettings_data()
{
    QTest::addColumn<QString>("acceptText");
    QTest::addColumn<QString>("keepText");
    QTest::addColumn<CookieJar::AcceptPolicy>("accept");
    QTest::addColumn<CookieJar::KeepPolicy>("keep");

    QTest::newRow("missing") << QString() << QString() << CookieJar::AcceptOnlyFromSitesNavigatedTo
                             << CookieJar::KeepUntilExpire;
    QTest::newRow("always, time limit")
        << QStringLiteral("AcceptAlways") << QStringLiteral("KeepUntilTimeLimit")
        << CookieJar::AcceptAlways << CookieJar::KeepUntilTimeLimit;
    QTest::newRow("never, exit") << QStringLiteral("AcceptNever") << QStringLiteral("KeepUntilExit")
                                 << CookieJar::AcceptNever << CookieJar::KeepUntilExit;
    QTest::newRow("unknown names")
        << QStringLiteral("Sometimes") << QStringLiteral("Forever")
        << CookieJar::AcceptOnlyFromSitesNavigatedTo << CookieJar::KeepUntilExpire;
    QTest::newRow("numbers are not names")
        << QStringLiteral("0") << QStringLiteral("2") << CookieJar::AcceptOnlyFromSitesNavigatedTo
        << CookieJar::KeepUntilExpire;
}

void tst_CookieJar::loadSettings()
{
    QFETCH(QString, acceptText);
    QFETCH(QString, keepText);
    QFETCH(CookieJar::AcceptPolicy, accept);
    QFETCH(CookieJar::KeepPolicy, keep);

    auto jar = newJar();
    QCOMPARE(jar->acceptPolicy(), CookieJar::AcceptOnlyFromSitesNavigatedTo);
    QCOMPARE(jar->keepPolicy(), CookieJar::KeepUntilExpire);

    QSettings settings;
    if (!acceptText.isNull())
        settings.setValue(QStringLiteral("cookies/acceptCookies"), acceptText);
    if (!keepText.isNull())
        settings.setValue(QStringLiteral("cookies/keepCookiesUntil"), keepText);
    settings.sync();

    jar->loadSettings();
    QCOMPARE(jar->acceptPolicy(), accept);
    QCOMPARE(jar->keepPolicy(), keep);
    QCOMPARE(newJar()->acceptPolicy(), accept);
}

void tst_CookieJar::policySetterSchedulesOnlyOnChange()
{
    auto jar = newJar();
    jar->cookiesForUrl(siteUrl);
    jar->slot_Save();
    QSignalSpy changed(jar.get(), &CookieJar::cookiesChanged);

    jar->setAcceptPolicy(CookieJar::AcceptOnlyFromSitesNavigatedTo);
    jar->setKeepPolicy(CookieJar::KeepUntilExpire);
    QCOMPARE(changed.count(), 0);

    jar->setKeepPolicy(CookieJar::KeepUntilTimeLimit);
    QCOMPARE(changed.count(), 1);
    jar->slot_Save();
    QCOMPARE(QSettings().value(QStringLiteral("cookies/keepCookiesUntil")).toString(),
             QStringLiteral("KeepUntilTimeLimit"));
    QVERIFY(jar->setProperty("acceptPolicy", CookieJar::AcceptNever));
    QCOMPARE(jar->acceptPolicy(), CookieJar::AcceptNever);
    QCOMPARE(changed.count(), 2);
}

void tst_CookieJar::timeLimit_data()
{
    QTest::addColumn<CookieJar::KeepPolicy>("keep");
    QTest::addColumn<int>("lifetimeDays"); // 0: session cookie
    QTest::addColumn<bool>("limited");

    QTest::newRow("time limit, a year") << CookieJar::KeepUntilTimeLimit << 365 << true;
    QTest::newRow("time limit, ten days") << CookieJar::KeepUntilTimeLimit << 10 << false;
    QTest::newRow("time limit, session") << CookieJar::KeepUntilTimeLimit << 0 << false;
    QTest::newRow("until expiry, a year") << CookieJar::KeepUntilExpire << 365 << false;
}

void tst_CookieJar::timeLimit()
{
    QFETCH(CookieJar::KeepPolicy, keep);
    QFETCH(int, lifetimeDays);
    QFETCH(bool, limited);

    auto jar = newJar();
    jar->setKeepPolicy(keep);
    const QDateTime expires =
        lifetimeDays ? QDateTime::currentDateTimeUtc().addDays(lifetimeDays) : QDateTime();
    const QDateTime before = QDateTime::currentDateTime();
    QVERIFY(jar->setCookiesFromUrl({makeCookie("c", expires)}, siteUrl));
    const QDateTime after = QDateTime::currentDateTime();

    const QList<QNetworkCookie> cookies = jar->cookiesForUrl(siteUrl);
    QCOMPARE(cookies.size(), 1);
    const QDateTime stored = cookies.first().expirationDate();
    if (limited) {
        QVERIFY2(stored >= before.addDays(90) && stored <= after.addDays(90),
                 qPrintable(stored.toString(Qt::ISODateWithMs)));
    } else {
        QCOMPARE(stored, expires);
    }
}

void tst_CookieJar::burstOfCookiesSavedOnceAndLater()
{
    auto jar = newJar();
    jar->cookiesForUrl(siteUrl);
    jar->slot_Save(); // the save that the first load schedules
    QVERIFY(fileText().startsWith("[General]\ncookies=@Variant("));
    QCOMPARE(readStoredStream(), cookieStream(23, 0, {}));
    QSignalSpy changed(jar.get(), &CookieJar::cookiesChanged);

    QStringList persistentNames;
    for (int i = 0; i < 9; ++i) {
        const QByteArray name = "p" + QByteArray::number(i);
        QVERIFY(jar->setCookiesFromUrl({persistentCookie(name)}, siteUrl));
        persistentNames << QString::fromLatin1(name);
    }
    QVERIFY(jar->setCookiesFromUrl({makeCookie("session")}, siteUrl));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(readStoredStream(), cookieStream(23, 0, {})); // not yet written

    QTRY_VERIFY_WITH_TIMEOUT(readStoredStream() != cookieStream(23, 0, {}), 10000);
    QCOMPARE(changed.count(), 1);
    persistentNames.sort();
    QCOMPARE(names(newJar()->cookiesForUrl(siteUrl)), persistentNames);
}

void tst_CookieJar::savedFile()
{
    auto jar = newJar();
    jar->setAcceptPolicy(CookieJar::AcceptAlways);
    jar->setKeepPolicy(CookieJar::KeepUntilTimeLimit);
    jar->setBlockedCookies({QStringLiteral("b.example"), QStringLiteral("a.example")});
    jar->setAllowedCookies({QStringLiteral("c.example")});
    jar->setAllowForSessionCookies({QStringLiteral("d.example")});
    QNetworkCookie secure = persistentCookie("first");
    secure.setSecure(true);
    secure.setHttpOnly(true);
    QVERIFY(jar->setCookiesFromUrl({secure, persistentCookie("second"), makeCookie("session")},
                                   siteUrl));
    jar->slot_Save();

    QList<QByteArray> raw;
    const QList<QNetworkCookie> all =
        jar->cookiesForUrl(QUrl(QStringLiteral("https://www.example.com/")));
    QCOMPARE(all.size(), 3);
    for (const QNetworkCookie &cookie : all) {
        if (!cookie.isSessionCookie())
            raw << cookie.toRawForm(QNetworkCookie::Full);
    }

    QByteArray stream = readStoredStream();
    QDataStream in(stream);
    quint32 version = 0, count = 0;
    in >> version >> count;
    QCOMPARE(version, quint32(23));
    QCOMPARE(count, quint32(2));
    QList<QByteArray> written;
    for (quint32 i = 0; i < count; ++i) {
        QByteArray entry;
        in >> entry;
        written << entry;
    }
    QVERIFY(in.atEnd());
    std::sort(raw.begin(), raw.end());
    std::sort(written.begin(), written.end());
    QCOMPARE(written, raw);
    QVERIFY(written.join().contains("secure"));

    QVERIFY(fileText().startsWith("[General]\ncookies=\"@Variant("));
    QSettings file(readableCopy(), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("Exceptions/block")).toStringList(),
             (QStringList{QStringLiteral("a.example"), QStringLiteral("b.example")}));
    QCOMPARE(file.value(QStringLiteral("Exceptions/allow")).toStringList(),
             QStringList{QStringLiteral("c.example")});
    QCOMPARE(file.value(QStringLiteral("Exceptions/allowForSession")).toStringList(),
             QStringList{QStringLiteral("d.example")});
    QSettings settings;
    QCOMPARE(settings.value(QStringLiteral("cookies/acceptCookies")).toString(),
             QStringLiteral("AcceptAlways"));
    QCOMPARE(settings.value(QStringLiteral("cookies/keepCookiesUntil")).toString(),
             QStringLiteral("KeepUntilTimeLimit"));
    QVERIFY(!settings.fileName().endsWith(QLatin1String("cookies.ini")));

    jar.reset();
    jar = newJar();
    QCOMPARE(jar->acceptPolicy(), CookieJar::AcceptAlways);
    QCOMPARE(jar->keepPolicy(), CookieJar::KeepUntilTimeLimit);
    QCOMPARE(jar->blockedCookies(),
             (QStringList{QStringLiteral("a.example"), QStringLiteral("b.example")}));
    QCOMPARE(jar->allowForSessionCookies(), QStringList{QStringLiteral("d.example")});
    const QList<QNetworkCookie> restored =
        jar->cookiesForUrl(QUrl(QStringLiteral("https://www.example.com/")));
    QCOMPARE(names(restored), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
}

void tst_CookieJar::readSavedStream_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("warns");

    const QByteArray a = storedForm(persistentCookie("a"));
    const QByteArray b = storedForm(persistentCookie("b"));
    const QStringList both{QStringLiteral("a"), QStringLiteral("b")};

    QTest::newRow("two cookies") << cookieStream(23, 2, {a, b}) << both << false;
    QTest::newRow("other version") << cookieStream(22, 2, {a, b}) << QStringList() << false;
    QTest::newRow("unparseable cookie skipped")
        << cookieStream(23, 3, {a, "garbage", b}) << both << true;
    QTest::newRow("empty entry skipped")
        << cookieStream(23, 3, {QByteArray(), a, b}) << both << false;
    QTest::newRow("count beyond the stream")
        << cookieStream(23, 1000000, {a}) << QStringList{QStringLiteral("a")} << false;
    QTest::newRow("two cookies in one entry")
        << cookieStream(23, 1, {a + '\n' + b}) << both << false;
}

void tst_CookieJar::readSavedStream()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, expected);
    QFETCH(bool, warns);

    writeStoredStream(stream);
    if (warns) {
        QTest::ignoreMessage(QtWarningMsg, "CookieJar: Unable to parse a saved cookie of 7 bytes");
    }
    auto jar = newJar();
    QCOMPARE(names(jar->cookiesForUrl(siteUrl)), expected);
}

void tst_CookieJar::fileOfEarlierBuild_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("cookies");
    QTest::addColumn<QStringList>("blocked");
    QTest::addColumn<QStringList>("allowed");
    QTest::addColumn<QStringList>("allowedForSession");

    // Files as the Qt 5 builds of the program wrote them, byte for byte. The second cookie's
    // length, 92, is a backslash in the stream, which the file escapes.
    QTest::newRow("two cookies and exceptions")
        << QByteArray(R"ini([General]
cookies="@Variant(\0\0\0\x7f\0\0\0\x16QList<QNetworkCookie>\0\0\0\0\x17\0\0\0\x2\0\0\0`sid=abc123; secure; HttpOnly; expires=Thu, 01-Jan-2099 00:00:00 GMT; domain=.example.org; path=/\0\0\0\\pref=hd=1&vol=80; expires=Wed, 31-Dec-2098 23:59:59 GMT; domain=www.example.org; path=/watch)"

[Exceptions]
allow=c.example
allowForSession=@Invalid()
block=a.example, b.example
)ini")
        << QStringList{QStringLiteral("pref"), QStringLiteral("sid")}
        << QStringList{QStringLiteral("a.example"), QStringLiteral("b.example")}
        << QStringList{QStringLiteral("c.example")} << QStringList();
    QTest::newRow("no cookies")
        << QByteArray(R"ini([General]
cookies=@Variant(\0\0\0\x7f\0\0\0\x16QList<QNetworkCookie>\0\0\0\0\x17\0\0\0\0)

[Exceptions]
allow=@Invalid()
allowForSession=d.example
block=@Invalid()
)ini")
        << QStringList() << QStringList() << QStringList()
        << QStringList{QStringLiteral("d.example")};
}

void tst_CookieJar::fileOfEarlierBuild()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, cookies);
    QFETCH(QStringList, blocked);
    QFETCH(QStringList, allowed);
    QFETCH(QStringList, allowedForSession);

    {
        QFile file(cookieFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(text), text.size());
    }
    auto jar = newJar();
    const QList<QNetworkCookie> loaded =
        jar->cookiesForUrl(QUrl(QStringLiteral("https://www.example.org/watch")));
    QCOMPARE(names(loaded), cookies);
    for (const QNetworkCookie &cookie : loaded) {
        if (cookie.name() == "sid") {
            QCOMPARE(cookie.value(), QByteArray("abc123"));
            QVERIFY(cookie.isSecure());
            QVERIFY(cookie.isHttpOnly());
            QCOMPARE(cookie.domain(), QStringLiteral(".example.org"));
            QCOMPARE(cookie.expirationDate(), QDateTime(QDate(2099, 1, 1), QTime(0, 0), Qt::UTC));
        } else {
            QCOMPARE(cookie.value(), QByteArray("hd=1&vol=80"));
            QCOMPARE(cookie.path(), QStringLiteral("/watch"));
        }
    }
    QCOMPARE(jar->blockedCookies(), blocked);
    QCOMPARE(jar->allowedCookies(), allowed);
    QCOMPARE(jar->allowForSessionCookies(), allowedForSession);

    // Saved again, the file is the very text the earlier build wrote, so it can go back to it.
    jar->setBlockedCookies(blocked);
    jar->slot_Save();
    QCOMPARE(fileText(), text);
    QCOMPARE(names(newJar()->cookiesForUrl(QUrl(QStringLiteral("https://www.example.org/watch")))),
             cookies);
}

void tst_CookieJar::keepUntilExit()
{
    auto jar = newJar();
    QVERIFY(jar->setCookiesFromUrl({persistentCookie("old")}, siteUrl));
    jar.reset();
    QSettings().setValue(QStringLiteral("cookies/keepCookiesUntil"),
                         QStringLiteral("KeepUntilExit"));

    jar = newJar();
    QCOMPARE(jar->keepPolicy(), CookieJar::KeepUntilExit);
    QVERIFY(jar->cookiesForUrl(siteUrl).isEmpty());
    const QNetworkCookie fresh = persistentCookie("new");
    QVERIFY(jar->setCookiesFromUrl({fresh}, siteUrl));
    QCOMPARE(names(jar->cookiesForUrl(siteUrl)), QStringList{QStringLiteral("new")});
    jar->slot_Save();
    QCOMPARE(readStoredStream(), cookieStream(23, 1, {storedForm(fresh)}));

    jar.reset();
    QCOMPARE(readStoredStream(), cookieStream(23, 0, {}));
}

void tst_CookieJar::clearIsSaved()
{
    auto jar = newJar();
    QVERIFY(jar->setCookiesFromUrl({persistentCookie("a"), persistentCookie("b")}, siteUrl));
    jar->slot_Save();
    QSignalSpy changed(jar.get(), &CookieJar::cookiesChanged);

    jar->clear();
    QCOMPARE(changed.count(), 1);
    QVERIFY(jar->cookiesForUrl(siteUrl).isEmpty());
    jar.reset(); // carries out the waiting save
    QVERIFY(newJar()->cookiesForUrl(siteUrl).isEmpty());
}

void tst_CookieJar::deletedCookieIsSaved()
{
    auto jar = newJar();
    QVERIFY(jar->setCookiesFromUrl({persistentCookie("a"), persistentCookie("b")}, siteUrl));
    jar->slot_Save();
    QSignalSpy changed(jar.get(), &CookieJar::cookiesChanged);

    const QNetworkCookie deletion = makeCookie("a", QDateTime::currentDateTimeUtc().addDays(-1));
    QVERIFY(!jar->setCookiesFromUrl({deletion}, siteUrl));
    QCOMPARE(names(jar->cookiesForUrl(siteUrl)), QStringList{QStringLiteral("b")});
    QCOMPARE(changed.count(), 1);
    jar.reset();
    QCOMPARE(names(newJar()->cookiesForUrl(siteUrl)), QStringList{QStringLiteral("b")});
}

void tst_CookieJar::expiredCookiesPurgedOnSave()
{
    const QNetworkCookie expired = makeCookie("brief", QDateTime::currentDateTimeUtc().addDays(-1));
    const QNetworkCookie lasting = persistentCookie("long");
    writeStoredStream(cookieStream(23, 2, {storedForm(expired), storedForm(lasting)}));

    auto jar = newJar();
    QCOMPARE(names(jar->cookiesForUrl(siteUrl)), QStringList{QStringLiteral("long")});
    jar->slot_Save();
    QCOMPARE(readStoredStream(), cookieStream(23, 1, {storedForm(lasting)}));
}

void tst_CookieJar::noOwner()
{
    auto pageOwner = std::make_unique<QObject>();
    auto jar = newJar(pageOwner.get());
    QCOMPARE(jar->owner(), pageOwner.get());
    QVERIFY(jar->setCookiesFromUrl({persistentCookie("a")}, siteUrl));
    QCOMPARE(jar->cookiesForUrl(siteUrl).size(), 1);

    pageOwner.reset();
    QCOMPARE(jar->owner(), nullptr);
    QVERIFY(jar->cookiesForUrl(siteUrl).isEmpty());
    QVERIFY(!jar->setCookiesFromUrl({persistentCookie("b")}, siteUrl));

    CookieJar ownerless(nullptr, nullptr, dataDir->path());
    QVERIFY(!ownerless.setCookiesFromUrl({persistentCookie("c")}, siteUrl));
    QVERIFY(ownerless.cookiesForUrl(siteUrl).isEmpty());
}

void tst_CookieJar::memoryOnlyWhenFolderCannotBeMade()
{
    QFile blocker(dataDir->filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString folder = blocker.fileName() + QStringLiteral("/sub");

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^CookieJar::CookieJar")));
    {
        CookieJar jar(nullptr, &owner, folder);
        QVERIFY(jar.setCookiesFromUrl({persistentCookie("a")}, siteUrl));
        QCOMPARE(jar.cookiesForUrl(siteUrl).size(), 1);
        jar.setBlockedCookies({QStringLiteral("x.example")});
        jar.slot_Save();
    }
    QCOMPARE(QDir(dataDir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{QStringLiteral("file")});
    QVERIFY(!QSettings().contains(QStringLiteral("cookies/acceptCookies")));
}

void tst_CookieJar::defaultFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(folder.startsWith(settingsDir.path()));
    QDir(folder).removeRecursively();
    {
        CookieJar jar(nullptr, &owner, QString());
        QVERIFY(QDir(folder).exists());
        QVERIFY(jar.setCookiesFromUrl({persistentCookie("a")}, siteUrl));
    }
    QVERIFY(QFile::exists(folder + QStringLiteral("/cookies.ini")));
    CookieJar again(nullptr, &owner);
    QCOMPARE(names(again.cookiesForUrl(siteUrl)), QStringList{QStringLiteral("a")});
}

void tst_CookieJar::dumpCookies()
{
    auto jar = newJar();
    QNetworkCookie secure = makeCookie("s", QDateTime(QDate(2031, 5, 6), QTime(7, 8, 9), Qt::UTC));
    secure.setSecure(true);
    secure.setPath(QStringLiteral("/account"));
    QVERIFY(jar->setCookiesFromUrl({secure, makeCookie("t")}, siteUrl));

    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    jar->dumpCookies();
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().icon, QMessageBox::Information);
    QCOMPARE(answerer.seen().first().text,
             QStringLiteral("www.example.com,s,/account,true,2031-05-06T07:08:09Z,value-s\n"
                            "www.example.com,t,/,false,,value-t"));
}

QTEST_MAIN(tst_CookieJar)
#include "tst_cookiejar.moc"
