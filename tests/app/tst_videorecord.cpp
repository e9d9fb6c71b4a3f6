#include "videorecord.h"

#include <QtTest>

class tst_VideoRecord : public QObject
{
    Q_OBJECT

private slots:
    void fromJson_data();
    void fromJson();
    void fromJsonEmptiesEarlierFields();
    void findAndRemoveById();
};

void tst_VideoRecord::fromJson_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("full record")
        << R"({"id":"abc","url":"http://h/watch?v=abc","title":"A - B","thumbnail":"t.jpg","duration":"6"})"
        << QStringList{"abc", "http://h/watch?v=abc", "A - B", "t.jpg", "6"};
    QTest::newRow("other keys ignored")
        << R"({"ID":"x","id":"y","extra":"z"})" << QStringList{"y", "", "", "", ""};
    QTest::newRow("numbers stay text")
        << R"({"id":"n","duration":215})" << QStringList{"n", "", "", "", "215"};
    QTest::newRow("escaped apostrophe")
        << R"({"id":"q","title":"Don\u0027t"})" << QStringList{"q", "", "Don't", "", ""};
    QTest::newRow("not an object") << "[1,2]" << QStringList{"", "", "", "", ""};
    QTest::newRow("broken json") << R"({"id":)" << QStringList{"", "", "", "", ""};
}

void tst_VideoRecord::fromJson()
{
    QFETCH(QString, json);
    QFETCH(QStringList, fields);
    VideoRecord record;
    record.fromJson(json);
    QCOMPARE(QStringList({record.id(), record.url(), record.title(), record.thumbnail(),
                          record.duration()}),
             fields);
}

void tst_VideoRecord::fromJsonEmptiesEarlierFields()
{
    VideoRecord record;
    record.fromJson(R"({"id":"a","title":"First"})");
    record.fromJson(R"({"id":"b"})");
    QCOMPARE(record.id(), QStringLiteral("b"));
    QVERIFY(record.title().isEmpty());
}

void tst_VideoRecord::findAndRemoveById()
{
    VideoRecordList list;
    for (const char *json :
         {R"({"id":"a","title":"1"})", R"({"id":"b","title":"2"})", R"({"id":"a","title":"3"})"}) {
        auto record = QSharedPointer<VideoRecord>::create();
        record->fromJson(QString::fromLatin1(json));
        list.append(record);
    }
    QCOMPARE(VideoRecord::findById(list, QStringLiteral("a"))->title(), QStringLiteral("1"));
    QVERIFY(VideoRecord::findById(list, QStringLiteral("zz")).isNull());

    QVERIFY(VideoRecord::removeById(list, QStringLiteral("a")));
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(0)->title(), QStringLiteral("2"));
    QCOMPARE(list.at(1)->title(), QStringLiteral("3"));
    QVERIFY(!VideoRecord::removeById(list, QStringLiteral("zz")));
    QCOMPARE(list.size(), 2);
}

QTEST_GUILESS_MAIN(tst_VideoRecord)
#include "tst_videorecord.moc"
