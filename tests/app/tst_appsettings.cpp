#include "appsettings.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QSettings>
#include <QWidget>
#include <QtTest>

class tst_AppSettings : public QObject
{
    Q_OBJECT

private:
    static QString settingsFolder()
    {
        return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
    }
    static QString iniFile()
    {
        return QDir(settingsFolder()).filePath(QStringLiteral("MiniVideoPlayerSV.ini"));
    }
    static void writeHost(const QString &key, const QString &value)
    {
        QSettings settings;
        settings.beginGroup(QStringLiteral("hosts"));
        settings.setValue(key, value);
    }

private slots:
    void init();
    void cleanupTestCase();

    void freshInstallationDefaults();
    void identity();
    void volumeRoundTrip_data();
    void volumeRoundTrip();
    void volumeUnreadableCountsAsAbsent();
    void iniFileLandsBesideProgram();
    void hostDefaults();
    void hostOverrides_data();
    void hostOverrides();
};

void tst_AppSettings::init()
{
    QDir(settingsFolder()).removeRecursively();
}

void tst_AppSettings::cleanupTestCase()
{
    QDir(settingsFolder()).removeRecursively();
}

void tst_AppSettings::freshInstallationDefaults()
{
    AppSettings settings;
    QCOMPARE(settings.volume(), -1);
    QVERIFY(settings.isPortable());

    QFont font(QStringLiteral("Courier"), 20);
    settings.loadFont(font, 3);
    QCOMPARE(font.family(), QStringLiteral("Segoe UI"));
    QCOMPARE(font.pointSize(), 8);
    settings.loadFont(font, 2);
    QCOMPARE(font.family(), QStringLiteral("Segoe UI"));
    QCOMPARE(font.pointSize(), 9);
    QFont appFont(QStringLiteral("Courier"), 20);
    QVERIFY(!settings.loadAppFont(appFont));
    settings.loadFont(appFont, 0);
    QCOMPARE(appFont.family(), QStringLiteral("Courier"));

    const QRect builtIn(20, 30, 300, 200);
    QWidget window;
    window.setObjectName(QStringLiteral("MainWindow"));
    window.setGeometry(builtIn);
    settings.restoreWindowGeometry(&window);
    QCOMPARE(window.geometry(), builtIn);

    // Reading creates nothing.
    QVERIFY(!QFile::exists(iniFile()));
}

void tst_AppSettings::identity()
{
    AppSettings settings;
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Quorbel"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("MiniVideoPlayerSV"));
    QCOMPARE(QSettings().fileName(), iniFile());
}

void tst_AppSettings::volumeRoundTrip_data()
{
    QTest::addColumn<int>("volume");

    QTest::newRow("35") << 35;
    QTest::newRow("0") << 0;
    QTest::newRow("100") << 100;
}

void tst_AppSettings::volumeRoundTrip()
{
    QFETCH(int, volume);
    {
        AppSettings settings;
        settings.setVolume(volume);
        QCOMPARE(settings.volume(), volume);
    }
    AppSettings reopened;
    QCOMPARE(reopened.volume(), volume);
    QCOMPARE(QSettings().value(QStringLiteral("AppVolume")).toInt(), volume);
}

void tst_AppSettings::volumeUnreadableCountsAsAbsent()
{
    AppSettings settings;
    QSettings().setValue(QStringLiteral("AppVolume"), QStringLiteral("loud"));
    QCOMPARE(settings.volume(), -1);
}

void tst_AppSettings::iniFileLandsBesideProgram()
{
    {
        AppSettings settings;
        settings.setVolume(35);
        QWidget window;
        window.setObjectName(QStringLiteral("MainWindow"));
        window.setGeometry(10, 10, 200, 100);
        settings.saveWindowGeometry(&window);
    }
    QVERIFY2(QFile::exists(iniFile()), qPrintable(iniFile()));
    QFile file(iniFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("AppVolume=35"), text.constData());
    QVERIFY2(text.contains("WindowMainWindow=@ByteArray("), text.constData());
}

void tst_AppSettings::hostDefaults()
{
    AppSettings settings;
    QCOMPARE(AppSettings::makerHost(), QStringLiteral("127.0.0.1:8310"));
    QCOMPARE(AppSettings::videoSiteHost(), QStringLiteral("127.0.0.1:8311"));
    QCOMPARE(AppSettings::lyricsServiceUrl(), QStringLiteral("http://127.0.0.1:8310/lyrics/"));
    QCOMPARE(AppSettings::lyricsWikiUrl(), QStringLiteral("http://127.0.0.1:8310/lyricswiki/"));
}

void tst_AppSettings::hostOverrides_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("maker");
    QTest::addColumn<QString>("videoSite");
    QTest::addColumn<QString>("lyricsService");
    QTest::addColumn<QString>("lyricsWiki");

    const QString maker = QStringLiteral("127.0.0.1:8310");
    const QString videoSite = QStringLiteral("127.0.0.1:8311");
    const QString lyrics = QStringLiteral("http://127.0.0.1:8310/lyrics/");
    const QString wiki = QStringLiteral("http://127.0.0.1:8310/lyricswiki/");

    QTest::newRow("maker") << "maker"
                           << "localhost:9000"
                           << "localhost:9000" << videoSite << lyrics << wiki;
    QTest::newRow("video site") << "video_site"
                                << "127.0.0.2:81" << maker << "127.0.0.2:81" << lyrics << wiki;
    QTest::newRow("lyrics service")
        << "lyrics_service"
        << "http://lyrics.test/api/" << maker << videoSite << "http://lyrics.test/api/" << wiki;
    QTest::newRow("lyrics service without slash")
        << "lyrics_service"
        << "http://lyrics.test/api" << maker << videoSite << "http://lyrics.test/api/" << wiki;
    QTest::newRow("lyrics wiki") << "lyrics_wiki"
                                 << "http://wiki.test/home" << maker << videoSite << lyrics
                                 << "http://wiki.test/home";
    QTest::newRow("blanks around a value") << "maker"
                                           << "  10.0.0.1:8080 "
                                           << "10.0.0.1:8080" << videoSite << lyrics << wiki;
    QTest::newRow("empty value keeps default") << "video_site"
                                               << "" << maker << videoSite << lyrics << wiki;
    QTest::newRow("key outside the group is ignored")
        << "unrelated"
        << "x:1" << maker << videoSite << lyrics << wiki;
}

void tst_AppSettings::hostOverrides()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);

    AppSettings settings;
    writeHost(key, stored);
    // A key of the same name outside the group must not count.
    QSettings().setValue(QStringLiteral("maker"), QStringLiteral("wrong:1"));

    QTEST(AppSettings::makerHost(), "maker");
    QTEST(AppSettings::videoSiteHost(), "videoSite");
    QTEST(AppSettings::lyricsServiceUrl(), "lyricsService");
    QTEST(AppSettings::lyricsWikiUrl(), "lyricsWiki");
}

QTEST_MAIN(tst_AppSettings)
#include "tst_appsettings.moc"
