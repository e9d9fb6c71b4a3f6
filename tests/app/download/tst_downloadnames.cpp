#include "download/downloadnames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    void longTitleFits_data();
    void longTitleFits();
    void numberedLongNameFits();
    void truncatedToUtf8Bytes_data();
    void truncatedToUtf8Bytes();
};

namespace {

int utf8Size(const QString &text)
{
    return int(text.toUtf8().size());
}

// The text a name's bytes give back: a cut inside a character would not read back as it.
bool wholeCharacters(const QString &text)
{
    return QString::fromUtf8(text.toUtf8()) == text && !text.isEmpty() &&
           !text.back().isHighSurrogate();
}

const QChar kanji(0x65E5);                // 3 bytes in UTF-8
const QString face = QStringLiteral("😀"); // U+1F600: a surrogate pair, 4 bytes in UTF-8

} // namespace

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

void tst_DownloadNames::longTitleFits_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");
    // Name, ".mp4" and ".part" within 255 bytes: 246 bytes for the title.
    QTest::newRow("100 Japanese characters (300 bytes)")
        << QString(100, kanji) << QString(82, kanji) + QStringLiteral(".mp4");
    QTest::newRow("never inside a UTF-8 sequence")
        << QStringLiteral("ab") + QString(100, kanji)
        << QStringLiteral("ab") + QString(81, kanji) + QStringLiteral(".mp4");
    QTest::newRow("two-byte characters")
        << QString(200, QChar(0xE9)) << QString(123, QChar(0xE9)) + QStringLiteral(".mp4");
    QTest::newRow("never inside a surrogate pair")
        << QStringLiteral("a") + face.repeated(70)
        << QStringLiteral("a") + face.repeated(61) + QStringLiteral(".mp4");
    QTest::newRow("exactly at the limit")
        << QString(246, QLatin1Char('x'))
        << QString(246, QLatin1Char('x')) + QStringLiteral(".mp4");
    QTest::newRow("one byte over") << QString(247, QLatin1Char('x'))
                                   << QString(246, QLatin1Char('x')) + QStringLiteral(".mp4");
}

void tst_DownloadNames::longTitleFits()
{
    QFETCH(QString, title);
    QFETCH(QString, name);
    const QString made = downloadFileName(title, QStringLiteral("Ab_1-x"), QStringLiteral(".mp4"),
                                          QDateTime::currentDateTime());
    QCOMPARE(made, name);
    QVERIFY(utf8Size(partialPath(made)) <= 255);
    QVERIFY(wholeCharacters(made));
    // The file system takes the partial file and the final name.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile part(partialPath(dir.filePath(made)));
    QVERIFY2(part.open(QIODevice::WriteOnly), qPrintable(part.errorString()));
    part.close();
    QVERIFY(QFile::rename(part.fileName(), dir.filePath(made)));
}

void tst_DownloadNames::numberedLongNameFits()
{
    // A name at the limit is taken: its numbered names are cut further, and still fit with
    // ".part".
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QStringList taken{QString(82, kanji) + QStringLiteral(".mp4")};
    for (int i = 1; i <= 3; ++i) {
        QFile file(dir.filePath(taken.last()));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
        file.close();
        const QString numbered = ::numberedPath(dir.filePath(taken.first()));
        const QString name = QFileInfo(numbered).fileName();
        QCOMPARE(name, QString(81, kanji) + QStringLiteral("_%1.mp4").arg(i));
        QVERIFY(utf8Size(partialPath(name)) <= 255);
        QFile part(partialPath(numbered));
        QVERIFY2(part.open(QIODevice::WriteOnly), qPrintable(part.errorString()));
        part.close();
        QVERIFY(QFile::remove(part.fileName()));
        taken << name;
    }
    // Four-byte characters: the cut leaves no half of a surrogate pair.
    const QString faces = QStringLiteral("ab") + face.repeated(61) + QStringLiteral(".mp4");
    QFile file(dir.filePath(faces));
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    file.close();
    const QString name = QFileInfo(::numberedPath(dir.filePath(faces))).fileName();
    QCOMPARE(name, QStringLiteral("ab") + face.repeated(60) + QStringLiteral("_1.mp4"));
    QVERIFY(wholeCharacters(name));
}

void tst_DownloadNames::truncatedToUtf8Bytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fits") << "abc" << 3 << "abc";
    QTest::newRow("ASCII cut") << "abc" << 2 << "ab";
    QTest::newRow("nothing") << "abc" << 0 << "";
    QTest::newRow("not inside a two-byte character")
        << QStringLiteral("a") + QChar(0xE9) << 2 << QStringLiteral("a");
    QTest::newRow("not inside a three-byte character") << QString(2, kanji) << 5 << QString(kanji);
    QTest::newRow("not inside a surrogate pair") << face + face << 7 << face;
    QTest::newRow("whole surrogate pair") << face + face << 8 << face + face;
    QTest::newRow("lone surrogate counts as three bytes")
        << QString(QChar(0xD800)) + QLatin1Char('x') << 3 << QString(QChar(0xD800));
}

void tst_DownloadNames::truncatedToUtf8Bytes()
{
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QFETCH(QString, expected);
    QCOMPARE(::truncatedToUtf8Bytes(text, bytes), expected);
}

QTEST_GUILESS_MAIN(tst_DownloadNames)
#include "tst_downloadnames.moc"
