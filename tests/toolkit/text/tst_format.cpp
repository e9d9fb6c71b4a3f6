#include "format.h"

#include <QtTest>

class tst_Format : public QObject
{
    Q_OBJECT

private slots:
    void formatSize_data();
    void formatSize();
    void formatClock_data();
    void formatClock();
    void mediaType_data();
    void mediaType();
};

void tst_Format::formatSize_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << quint64(0) << "0";
    QTest::newRow("below kb") << quint64(1023) << "1023";
    QTest::newRow("one kb") << quint64(1024) << "1 kb";
    QTest::newRow("kb rounds down") << quint64(2047) << "1 kb";
    QTest::newRow("below mb") << quint64(1048575) << "1023 kb";
    QTest::newRow("one mb") << quint64(1048576) << "1.0 mb";
    QTest::newRow("mb rounds") << quint64(1048576 + 996148) << "2.0 mb"; // 1.95 mb
    QTest::newRow("below gb") << quint64(1073741823) << "1024.0 mb";
    QTest::newRow("one gb") << quint64(1073741824) << "1.00 gb";
    QTest::newRow("gb decimals") << quint64(1610612736) << "1.50 gb";
    QTest::newRow("one tb") << quint64(1099511627776) << "1.000 tb";
    QTest::newRow("largest") << std::numeric_limits<quint64>::max() << "16777216.000 tb";
}

void tst_Format::formatSize()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, expected);

    QString out = QStringLiteral("previous text");
    QT_EXT::formatSize(bytes, out);
    QCOMPARE(out, expected);
}

void tst_Format::formatClock_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << 0 << "00:00:00";
    QTest::newRow("seconds") << 59 << "00:00:59";
    QTest::newRow("one of each") << 3661 << "01:01:01";
    QTest::newRow("hours over 99") << 360000 + 59 << "100:00:59";
    QTest::newRow("negative") << -61 << "-00:01:01";
}

void tst_Format::formatClock()
{
    QFETCH(int, seconds);
    QFETCH(QString, expected);

    QString out = QStringLiteral("previous text");
    QT_EXT::formatClock(seconds, out);
    QCOMPARE(out, expected);
}

void tst_Format::mediaType_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("expected");

    QTest::newRow("mp3") << "mp3"
                         << "audio/mpeg";
    QTest::newRow("ogg") << "ogg"
                         << "application/ogg";
    QTest::newRow("oga") << "oga"
                         << "application/ogg";
    QTest::newRow("flac") << "flac"
                          << "audio/flac";
    QTest::newRow("mpc") << "mpc"
                         << "audio/x-musepack";
    QTest::newRow("wma") << "wma"
                         << "audio/x-ms-wma";
    QTest::newRow("aac") << "aac"
                         << "audio/mp4";
    QTest::newRow("m4a") << "m4a"
                         << "audio/mp4";
    QTest::newRow("mp4") << "mp4"
                         << "audio/mp4";
    QTest::newRow("upper case") << "MP3"
                                << "unknown";
    QTest::newRow("with dot") << ".mp3"
                              << "unknown";
    QTest::newRow("empty") << ""
                           << "unknown";
}

void tst_Format::mediaType()
{
    QFETCH(QString, extension);
    QFETCH(QString, expected);

    QCOMPARE(QT_EXT::mediaType(extension), expected);
}

QTEST_GUILESS_MAIN(tst_Format)
#include "tst_format.moc"
