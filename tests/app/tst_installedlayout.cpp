// Where the program decides that it runs installed: <prefix>/bin beside
// <prefix>/share/minivideoplayersv.

#include "installedlayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_InstalledLayout : public QObject
{
    Q_OBJECT

private slots:
    void dataFolder_data();
    void dataFolder();
};

void tst_InstalledLayout::dataFolder_data()
{
    QTest::addColumn<QStringList>("folders"); // made under the root
    QTest::addColumn<QString>("dataFile");    // made under the root, when not empty
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("expected"); // relative to the root; "-" for none

    QTest::newRow("installed") << QStringList{"usr/bin", "usr/share/minivideoplayersv/web"}
                               << QString() << "usr/bin"
                               << "usr/share/minivideoplayersv";
    QTest::newRow("other prefix") << QStringList{"opt/mvp/bin", "opt/mvp/share/minivideoplayersv"}
                                  << QString() << "opt/mvp/bin"
                                  << "opt/mvp/share/minivideoplayersv";
    QTest::newRow("build tree") << QStringList{"build/app", "build/server"} << QString()
                                << "build/app"
                                << "-";
    QTest::newRow("share without our folder")
        << QStringList{"usr/bin", "usr/share/applications"} << QString() << "usr/bin"
        << "-";
    QTest::newRow("a file in place of the folder")
        << QStringList{"usr/bin", "usr/share"} << "usr/share/minivideoplayersv"
        << "usr/bin"
        << "-";
}

void tst_InstalledLayout::dataFolder()
{
    QFETCH(QStringList, folders);
    QFETCH(QString, dataFile);
    QFETCH(QString, programFolder);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir dir(root.path());
    for (const QString &folder : folders)
        QVERIFY(dir.mkpath(folder));
    if (!dataFile.isEmpty()) {
        QFile file(dir.filePath(dataFile));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    const QString found = installedDataFolder(dir.filePath(programFolder));
    QCOMPARE(found, expected == QLatin1String("-") ? QString() : dir.filePath(expected));
    QVERIFY(installedDataFolder(QString()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_InstalledLayout)
#include "tst_installedlayout.moc"
