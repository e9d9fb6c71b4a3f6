#include "settings.h"

#include "networkaccessmanager.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <memory>

using QT_EXT::Settings;

namespace {
// A name of its own, so that this suite never shares a file with the application's suites.
const QString organization = QStringLiteral("QuorbelSettingsTest");
const QString application = QStringLiteral("tst_settings");
} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private:
    static QString settingsFolder()
    {
        return QDir(QCoreApplication::applicationDirPath()).filePath(organization);
    }
    static QString iniFile()
    {
        return QDir(settingsFolder()).filePath(application + QStringLiteral(".ini"));
    }
    static std::unique_ptr<Settings> openSettings()
    {
        return std::make_unique<Settings>(nullptr, application, organization, true);
    }

private slots:
    void init();
    void cleanupTestCase();

    void constructorSetsIdentity();
    void iniFileBesideProgram();
    void loadFontDefaults_data();
    void loadFontDefaults();
    void slotZeroFollowsAppFont();
    void fontRoundTrip_data();
    void fontRoundTrip();
    void appFontAbsentLeavesFontUnchanged();
    void geometrySurvivesRestart();
    void geometryPerObjectName();
    void restoreWithoutKeyLeavesWidget();
    void restoreIgnoresBrokenValue();
    void applicationPaths();
    void sharedNetworkAccess();
    void canKeepSettingsIn_data();
    void canKeepSettingsIn();
    void notPortableLivesInUserFolder();
};

void tst_Settings::init()
{
    QDir(settingsFolder()).removeRecursively();
}

void tst_Settings::cleanupTestCase()
{
    QDir(settingsFolder()).removeRecursively();
}

void tst_Settings::constructorSetsIdentity()
{
    const auto settings = openSettings();
    QCOMPARE(QCoreApplication::organizationName(), organization);
    QCOMPARE(QCoreApplication::applicationName(), application);
    QCOMPARE(QSettings::defaultFormat(), QSettings::IniFormat);
    QVERIFY(settings->isPortable());
    QSettings plain;
    QCOMPARE(plain.format(), QSettings::IniFormat);
    QCOMPARE(plain.fileName(), iniFile());
}

void tst_Settings::iniFileBesideProgram()
{
    const auto settings = openSettings();
    QVERIFY(!QFile::exists(iniFile()));
    settings->saveAppFont(QFont(QStringLiteral("Courier"), 11));
    {
        QSettings().sync();
    }
    QVERIFY2(QFile::exists(iniFile()), qPrintable(iniFile()));
    QFile file(iniFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("AppFont="));
}

void tst_Settings::loadFontDefaults_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("pointSize");

    QTest::newRow("slot 1") << 1 << 9;
    QTest::newRow("slot 2") << 2 << 9;
    QTest::newRow("slot 3") << 3 << 8;
    QTest::newRow("slot 4") << 4 << 9;
    QTest::newRow("slot 12") << 12 << 9;
}

void tst_Settings::loadFontDefaults()
{
    QFETCH(int, slot);
    QFETCH(int, pointSize);

    const auto settings = openSettings();
    QFont font(QStringLiteral("Courier"), 20);
    settings->loadFont(font, slot);
    QCOMPARE(font.family(), QStringLiteral("Segoe UI"));
    QCOMPARE(font.pointSize(), pointSize);
}

void tst_Settings::slotZeroFollowsAppFont()
{
    const auto settings = openSettings();
    QFont font(QStringLiteral("Courier"), 20);
    // No stored application font: slot 0 leaves the font alone.
    settings->loadFont(font, 0);
    QCOMPARE(font.family(), QStringLiteral("Courier"));
    QCOMPARE(font.pointSize(), 20);

    settings->saveAppFont(QFont(QStringLiteral("Tahoma"), 13));
    settings->loadFont(font, 0);
    QCOMPARE(font.family(), QStringLiteral("Tahoma"));
    QCOMPARE(font.pointSize(), 13);
    // Other slots do not follow the application font.
    settings->loadFont(font, 1);
    QCOMPARE(font.family(), QStringLiteral("Segoe UI"));
}

void tst_Settings::fontRoundTrip_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("key");

    QTest::newRow("slot 0") << 0 << QStringLiteral("SettingsFonts0");
    QTest::newRow("slot 3") << 3 << QStringLiteral("SettingsFonts3");
    QTest::newRow("slot 10") << 10 << QStringLiteral("SettingsFonts10");
}

void tst_Settings::fontRoundTrip()
{
    QFETCH(int, slot);
    QFETCH(QString, key);

    QFont stored(QStringLiteral("DejaVu Serif"), 15);
    stored.setBold(true);
    stored.setItalic(true);
    openSettings()->saveFont(stored, slot);

    QCOMPARE(QSettings().value(key).toString(), stored.toString());
    QFont loaded;
    openSettings()->loadFont(loaded, slot);
    QCOMPARE(loaded.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(loaded.pointSize(), 15);
    QVERIFY(loaded.bold());
    QVERIFY(loaded.italic());
}

void tst_Settings::appFontAbsentLeavesFontUnchanged()
{
    const auto settings = openSettings();
    QFont font(QStringLiteral("Courier"), 17);
    QVERIFY(!settings->loadAppFont(font));
    QCOMPARE(font.family(), QStringLiteral("Courier"));
    QCOMPARE(font.pointSize(), 17);

    settings->saveAppFont(QFont(QStringLiteral("Tahoma"), 10));
    QVERIFY(settings->loadAppFont(font));
    QCOMPARE(font.family(), QStringLiteral("Tahoma"));
    QCOMPARE(font.pointSize(), 10);
}

void tst_Settings::geometrySurvivesRestart()
{
    const QRect original(40, 50, 320, 210);
    {
        auto settings = openSettings();
        QWidget window;
        window.setObjectName(QStringLiteral("MainWindow"));
        window.setGeometry(original);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.geometry(), original);
        settings->saveWindowGeometry(&window);
    }
    // The value is on disk, under the window's key.
    QFile file(iniFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("WindowMainWindow=@ByteArray("));
    file.close();
    // Another writer changes the file, so the next reader must read it from disk again.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write("\n[unrelated]\nvalue=1\n");
    file.close();

    auto settings = openSettings();
    QWidget window;
    window.setObjectName(QStringLiteral("MainWindow"));
    window.setGeometry(200, 220, 150, 100);
    settings->restoreWindowGeometry(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.geometry(), original);
}

void tst_Settings::geometryPerObjectName()
{
    const QRect first(10, 20, 300, 200);
    const QRect second(220, 140, 260, 180);
    {
        auto settings = openSettings();
        QWidget a;
        a.setObjectName(QStringLiteral("PlayerWindow"));
        a.setGeometry(first);
        QWidget b;
        b.setObjectName(QStringLiteral("ListWindow"));
        b.setGeometry(second);
        a.show();
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&a));
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        settings->saveWindowGeometry(&a);
        settings->saveWindowGeometry(&b);
    }
    auto settings = openSettings();
    QWidget b;
    b.setObjectName(QStringLiteral("ListWindow"));
    QWidget a;
    a.setObjectName(QStringLiteral("PlayerWindow"));
    settings->restoreWindowGeometry(&b);
    settings->restoreWindowGeometry(&a);
    a.show();
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    QCOMPARE(a.geometry(), first);
    QCOMPARE(b.geometry(), second);
}

void tst_Settings::restoreWithoutKeyLeavesWidget()
{
    const auto settings = openSettings();
    const QRect builtIn(30, 40, 250, 150);
    QWidget window;
    window.setObjectName(QStringLiteral("NeverSaved"));
    window.setGeometry(builtIn);
    settings->restoreWindowGeometry(&window);
    QCOMPARE(window.geometry(), builtIn);
    settings->restoreWindowGeometry(nullptr);
    settings->saveWindowGeometry(nullptr);
    QVERIFY(!QSettings().contains(QStringLiteral("Window")));
}

void tst_Settings::restoreIgnoresBrokenValue()
{
    const auto settings = openSettings();
    QSettings().setValue(QStringLiteral("WindowBroken"), QByteArray("not a geometry"));
    const QRect builtIn(30, 40, 250, 150);
    QWidget window;
    window.setObjectName(QStringLiteral("Broken"));
    window.setGeometry(builtIn);
    settings->restoreWindowGeometry(&window);
    QCOMPARE(window.geometry(), builtIn);
}

void tst_Settings::applicationPaths()
{
    QCOMPARE(Settings::applicationPath(), QCoreApplication::applicationDirPath());
    QCOMPARE(Settings::applicationFilePath(QStringLiteral("unins000.exe")),
             QCoreApplication::applicationDirPath() + QStringLiteral("/unins000.exe"));

    auto settings = openSettings();
    settings->initDataPath();
    // Outside Windows every installation counts as portable, and the file stays beside the
    // program.
#ifndef Q_OS_WIN
    QVERIFY(settings->isPortable());
    QCOMPARE(QSettings().fileName(), iniFile());
#endif
}

void tst_Settings::sharedNetworkAccess()
{
    // The settings store hands out the network library's one shared manager and its jar.
    QT_EXT::NetworkAccessManager *shared = Settings::networkAccessManager();
    QVERIFY(shared);
    QCOMPARE(shared, QT_EXT::NetworkAccessManager::shared());
    QCOMPARE(Settings::networkAccessManager(), shared);
    QVERIFY(Settings::cookieJar());
    QCOMPARE(Settings::cookieJar(), shared->cookieJar());
}

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"

void tst_Settings::canKeepSettingsIn_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("expected");

    QTest::newRow("empty folder") << "" << true;
    QTest::newRow("organisation folder there") << "org" << true;
    QTest::newRow("settings file there") << "file" << true;
    QTest::newRow("no such folder") << "missing" << false;
    QTest::newRow("organisation name taken by a file") << "org-is-file" << false;
    QTest::newRow("settings file name taken by a folder") << "file-is-folder" << false;
    QTest::newRow("read-only folder") << "read-only" << false;
    QTest::newRow("read-only organisation folder") << "read-only-org" << false;
    QTest::newRow("read-only settings file") << "read-only-file" << false;
}

void tst_Settings::canKeepSettingsIn()
{
    QFETCH(QString, layout);
    QFETCH(bool, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QString folder = root.path();
    const QDir dir(folder);
    const QString org = dir.filePath(organization);
    const QString ini = QDir(org).filePath(application + QStringLiteral(".ini"));
    const auto touch = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("[General]\n") > 0;
    };
    const QFileDevice::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner;
    if (layout == QLatin1String("org") || layout == QLatin1String("read-only-org"))
        QVERIFY(dir.mkdir(organization));
    if (layout == QLatin1String("file") || layout == QLatin1String("read-only-file")) {
        QVERIFY(dir.mkdir(organization));
        QVERIFY(touch(ini));
    }
    if (layout == QLatin1String("missing"))
        folder = dir.filePath(QStringLiteral("gone"));
    if (layout == QLatin1String("org-is-file"))
        QVERIFY(touch(org));
    if (layout == QLatin1String("file-is-folder"))
        QVERIFY(QDir().mkpath(ini));
    if (layout == QLatin1String("read-only"))
        QVERIFY(QFile::setPermissions(folder, readOnly));
    if (layout == QLatin1String("read-only-org"))
        QVERIFY(QFile::setPermissions(org, readOnly));
    if (layout == QLatin1String("read-only-file"))
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner));
    // Permission bits stop everybody but the superuser. As root these rows would test nothing,
    // so they say that they were left out rather than pass.
    const QString madeReadOnly = layout == QLatin1String("read-only")       ? folder
                                 : layout == QLatin1String("read-only-org") ? org
                                                                            : ini;
    if (layout.startsWith(QLatin1String("read-only")) && QFileInfo(madeReadOnly).isWritable())
        QSKIP("cannot run as root: permission bits do not stop the superuser");

    QCOMPARE(Settings::canKeepSettingsIn(folder, organization, application), expected);

    QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(org, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void tst_Settings::notPortableLivesInUserFolder()
{
    // An installed program: the file goes to the user's configuration folder, and nothing is
    // written beside the program.
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    {
        const auto settings = std::make_unique<Settings>(nullptr, application, organization, false);
        QVERIFY(!settings->isPortable());
        QCOMPARE(Settings::userSettingsFolder(), config.path());
        const QString expected =
            QDir(config.path())
                .filePath(organization + QLatin1Char('/') + application + QStringLiteral(".ini"));
        QCOMPARE(QSettings().fileName(), expected);
        settings->saveAppFont(QFont(QStringLiteral("Courier"), 11));
        QSettings().sync();
        QVERIFY2(QFile::exists(expected), qPrintable(expected));
        QVERIFY(!QFile::exists(iniFile()));
    }
    // A portable copy in a folder that can be written goes back beside the program.
    const auto portable = openSettings();
    QVERIFY(portable->isPortable());
    QCOMPARE(QSettings().fileName(), iniFile());
    if (savedConfigHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedConfigHome);
}
