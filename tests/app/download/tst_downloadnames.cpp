#include "download/downloadnames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_DownloadNames : public QObject
{
    Q_OBJECT

private slots:
    void fileName_data();
    void fileName();
    void numberedPath_data();
    void numberedPath();
};

void tst_DownloadNames::fileName_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("name");
    QTest::newRow("refused characters") << "a:b/c?"
                                        << ".mp4"
                                        << "a-b-c-.mp4";
    QTest::newRow("every refused character") << "<>:\"/\\|?*%"
                                             << ".flv"
                                             << "----------.flv";
    QTest::newRow("line breaks and tabs removed") << "a\nb\rc\td"
                                                  << ".mp4"
                                                  << "abcd.mp4";
    QTest::newRow("at sign and comma removed") << "x@y, z"
                                               << ".mp4"
                                               << "xy z.mp4";
    QTest::newRow("other characters kept") << "Café - Song (Live) [1]"
                                           << ".mp4"
                                           << "Café - Song (Live) [1].mp4";
    QTest::newRow("empty title: date, time and id") << ""
                                                    << ".mp4"
                                                    << "Wed Mar 14 09-05-07 2012_Ab_1-x.mp4";
}

void tst_DownloadNames::fileName()
{
    QFETCH(QString, title);
    QFETCH(QString, extension);
    QFETCH(QString, name);
    const QDateTime now(QDate(2012, 3, 14), QTime(9, 5, 7));
    QCOMPARE(downloadFileName(title, QStringLiteral("Ab_1-x"), extension, now), name);
}

void tst_DownloadNames::numberedPath_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("free") << QStringList() << "x.mp4"
                          << "x.mp4";
    QTest::newRow("taken") << QStringList{"x.mp4"} << "x.mp4"
                           << "x_1.mp4";
    QTest::newRow("first number taken") << QStringList{"x.mp4", "x_1.mp4"} << "x.mp4"
                                        << "x_2.mp4";
    QTest::newRow("all taken: the last tried")
        << QStringList{"x.mp4",   "x_1.mp4", "x_2.mp4", "x_3.mp4", "x_4.mp4",
                       "x_5.mp4", "x_6.mp4", "x_7.mp4", "x_8.mp4", "x_9.mp4"}
        << "x.mp4"
        << "x_9.mp4";
    QTest::newRow("dots in the title") << QStringList{"Mr. X.mp4"} << "Mr. X.mp4"
                                       << "Mr. X_1.mp4";
    QTest::newRow("no extension") << QStringList{"x"} << "x"
                                  << "x_1";
    QTest::newRow("dot in the folder only") << QStringList{"d.dir/x"} << "d.dir/x"
                                            << "d.dir/x_1";
    QTest::newRow("a partial file does not take the name") << QStringList{"x.mp4.part"} << "x.mp4"
                                                           << "x.mp4";
}

void tst_DownloadNames::numberedPath()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("d.dir")));
    for (const QString &name : existing) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(::numberedPath(dir.filePath(path)), dir.filePath(expected));
    QCOMPARE(partialPath(dir.filePath(path)), dir.filePath(path) + QStringLiteral(".part"));
}

QTEST_GUILESS_MAIN(tst_DownloadNames)
#include "tst_downloadnames.moc"
