#include "json.h"

#include <QDate>
#include <QtTest>
#include <cmath>

using QT_EXT::escapeJsonString;
using QT_EXT::parseJson;
using QT_EXT::toJson;

namespace {

// QVariant's own comparison converts between types ("2" equals 2); the reader's tie-breaks
// need the exact type at every level.
bool sameTree(const QVariant &a, const QVariant &b)
{
    if (a.isValid() != b.isValid())
        return false;
    if (!a.isValid())
        return true;
    if (a.userType() != b.userType())
        return false;
    switch (a.userType()) {
    case QMetaType::QVariantMap: {
        const QVariantMap ma = a.toMap();
        const QVariantMap mb = b.toMap();
        if (ma.keys() != mb.keys())
            return false;
        for (auto it = ma.cbegin(); it != ma.cend(); ++it) {
            if (!sameTree(it.value(), mb.value(it.key())))
                return false;
        }
        return true;
    }
    case QMetaType::QVariantList: {
        const QVariantList la = a.toList();
        const QVariantList lb = b.toList();
        if (la.size() != lb.size())
            return false;
        for (int i = 0; i < la.size(); ++i) {
            if (!sameTree(la.at(i), lb.at(i)))
                return false;
        }
        return true;
    }
    case QMetaType::QString:
        return a.toString() == b.toString() && a.toString().isNull() == b.toString().isNull();
    default:
        return a == b;
    }
}

QByteArray describe(const QVariant &v)
{
    QString text;
    QDebug(&text) << v;
    return text.toUtf8();
}

QVariantMap map(std::initializer_list<std::pair<QString, QVariant>> entries)
{
    QVariantMap m;
    for (const auto &e : entries)
        m.insert(e.first, e.second);
    return m;
}

QString str(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

class tst_Json : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parseNullAndEmpty();
    void parseDeepNesting();
    void write_data();
    void write();
    void escape_data();
    void escape();
    void roundTrip_data();
    void roundTrip();
};

void tst_Json::parse_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QVariant>("expected");

    const QVariant invalid;
    const QVariant emptyMap = QVariantMap();
    const QVariant emptyList = QVariantList();

    QTest::newRow("record") << R"({"id":"abc","title":"T","duration":"3:05"})" << true
                            << QVariant(map({{"id", "abc"}, {"title", "T"}, {"duration", "3:05"}}));
    QTest::newRow("repeated key keeps last")
        << R"({"a":1,"a":2})" << true << QVariant(map({{"a", "2"}}));
    QTest::newRow("optional commas")
        << "[1 2,,3,]" << true << QVariant(QVariantList{"1", "2", "3"});
    QTest::newRow("leading commas") << R"({,,"a":true,})" << true << QVariant(map({{"a", true}}));
    QTest::newRow("number stays text")
        << R"({"a":-1.5e3})" << true << QVariant(map({{"a", "-1.5e3"}}));
    QTest::newRow("letter after number") << "[1-2 1e 0x]" << false << emptyList;
    QTest::newRow("number run") << "[1-2 1e -]" << true << QVariant(QVariantList{"1-2", "1e", "-"});
    QTest::newRow("plus starts nothing") << R"({"a":+1})" << false << emptyMap;
    QTest::newRow("dot starts nothing") << "[.5]" << false << emptyList;
    QTest::newRow("literals") << "[true,false,null]" << true
                              << QVariant(QVariantList{true, false, invalid});
    QTest::newRow("literal without delimiter") << "[nullx]" << false << emptyList;
    QTest::newRow("top-level literal") << "nullx" << true << invalid;
    QTest::newRow("literal case") << "True" << false << invalid;
    QTest::newRow("unknown escape dropped") << R"("x\qy")" << true << QVariant(str("xy"));
    QTest::newRow("escape only") << R"(["\q",""])" << true
                                 << QVariant(QVariantList{QLatin1String(""), QLatin1String("")});
    QTest::newRow("unicode escape") << R"("\u00e9")" << true << QVariant(str("\xc3\xa9"));
    QTest::newRow("unicode escape upper") << R"("\u00C9!")" << true << QVariant(str("\xc3\x89!"));
    QTest::newRow("surrogate pair")
        << R"("\ud83d\ude00")" << true << QVariant(str("\xf0\x9f\x98\x80"));
    QTest::newRow("unreadable unicode")
        << R"("a\uzzzzb")" << true
        << QVariant(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    QTest::newRow("short unicode at end") << R"("\u12)" << false << invalid;
    QTest::newRow("short unicode takes quote") << R"(["ab\u00e"])" << false << emptyList;
    QTest::newRow("simple escapes")
        << R"("\"\\\/\b\f\n\r\t")" << true << QVariant(str("\"\\/\b\f\n\r\t"));
    QTest::newRow("backslash at end") << "\"abc\\" << false << invalid;
    QTest::newRow("unterminated string") << "\"abc" << false << invalid;
    QTest::newRow("trailing text ignored")
        << R"({"a":"b"} and more words)" << true << QVariant(map({{"a", "b"}}));
    QTest::newRow("blanks") << " \r\n\t[ \"a\" ,\n\"b\" ]" << true
                            << QVariant(QVariantList{"a", "b"});
    QTest::newRow("other white space is no blank") << "\v[1]" << false << invalid;
    QTest::newRow("unquoted key loses first character")
        << R"({1ab":"v"})" << true << QVariant(map({{"ab", "v"}}));
    QTest::newRow("key of letters") << R"({abc":1})" << false << emptyMap;
    QTest::newRow("missing colon") << R"({"a" 1})" << false << emptyMap;
    QTest::newRow("missing value") << R"({"a":})" << false << emptyMap;
    QTest::newRow("unterminated array") << "[1,2" << false << emptyList;
    QTest::newRow("unterminated object") << R"({"a":1)" << false << emptyMap;
    QTest::newRow("nested failure empties every level")
        << R"({"a":[1,{"b":}],"c":2})" << false << emptyMap;
    QTest::newRow("nested ok") << R"({"entry":[{"id":"x"},[]],"n":{}})" << true
                               << QVariant(map(
                                      {{"entry", QVariantList{map({{"id", "x"}}), QVariantList()}},
                                       {"n", QVariantMap()}}));
    // Keys of one length with the same first and last character, one of them escaped, alternate
    // between records.
    QTest::newRow("similar keys across records")
        << R"([{"axb":1,"ayb":2,"":3},{"ayb":4,"a\u0078b":5,"":6}])" << true
        << QVariant(QVariantList{map({{"axb", "1"}, {"ayb", "2"}, {"", "3"}}),
                                 map({{"ayb", "4"}, {"axb", "5"}, {"", "6"}})});
    QTest::newRow("strings of every length")
        << R"(["","a","ab","abc","abcd","abcde","abcdef","abcdefg\\","abcdefgh\"i"])" << true
        << QVariant(QVariantList{QLatin1String(""), "a", "ab", "abc", "abcd", "abcde", "abcdef",
                                 "abcdefg\\", "abcdefgh\"i"});
    // Units that share a byte with a quote or backslash are ordinary characters.
    const QString lookalikes = QString(QChar(0x225C)) + QChar(0x5C22) + QChar(0x0122) +
                               QChar(0x015C) + QChar(0xFF22) + QChar(0x2200) + QChar(0x5C00);
    QTest::newRow("units like quote and backslash")
        << QLatin1Char('"') + lookalikes + QLatin1Char('"') << true << QVariant(lookalikes);
    QTest::newRow("closing bracket alone") << "]" << false << invalid;
    QTest::newRow("non-ascii text")
        << str("[\"gr\xc3\xbc\xc3\x9f \xe2\x82\xac\"]") << true
        << QVariant(QVariantList{str("gr\xc3\xbc\xc3\x9f \xe2\x82\xac")});
}

void tst_Json::parse()
{
    QFETCH(QString, json);
    QFETCH(bool, success);
    QFETCH(QVariant, expected);

    bool ok = !success;
    const QVariant actual = parseJson(json, ok);
    QCOMPARE(ok, success);
    QVERIFY2(sameTree(actual, expected), describe(actual).constData());
    QVERIFY(sameTree(parseJson(json), expected));
}

void tst_Json::parseNullAndEmpty()
{
    bool ok = false;
    QVERIFY(!parseJson(QString(), ok).isValid());
    QVERIFY(ok);

    ok = true;
    QVERIFY(!parseJson(QLatin1String(""), ok).isValid());
    QVERIFY(!ok);

    // "" is an empty string, not a null one: it must not come back as null when written.
    const QVariant empty = parseJson(QStringLiteral("\"\""), ok);
    QVERIFY(ok);
    QCOMPARE(empty.userType(), int(QMetaType::QString));
    QVERIFY(!empty.isNull());
    QCOMPARE(toJson(empty), QStringLiteral("\"\""));
}

void tst_Json::parseDeepNesting()
{
    // Within the nesting bound the reader succeeds...
    const int fine = 1000;
    bool ok = false;
    QVariant v = parseJson(QString(fine, QLatin1Char('[')) + QString(fine, QLatin1Char(']')), ok);
    QVERIFY(ok);
    for (int i = 1; i < fine; ++i)
        v = v.toList().value(0);
    QCOMPARE(v.toList().size(), 0);

    // ...beyond it the input is refused instead of exhausting the stack.
    const int deep = 200000;
    v = parseJson(QString(deep, QLatin1Char('[')) + QString(deep, QLatin1Char(']')), ok);
    QVERIFY(!ok);
    QVERIFY(sameTree(v, QVariantList()));
    v = parseJson(QStringLiteral("{\"a\":").repeated(deep), ok);
    QVERIFY(!ok);
    QVERIFY(sameTree(v, QVariantMap()));
}

void tst_Json::write_data()
{
    QTest::addColumn<QVariant>("data");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("nullText");

    QTest::newRow("sorted keys") << QVariant(map({{"b", 1}, {"a", 2}})) << R"({"a":2,"b":1})"
                                 << false;
    QTest::newRow("apostrophe and quotes")
        << QVariant(QStringLiteral("It's \"x\"")) << R"("It\u0027s \u0022x\u0022")" << false;
    QTest::newRow("double 6 digits") << QVariant(1234567.0) << "1.23457e+06" << false;
    QTest::newRow("double fraction") << QVariant(0.5) << "0.5" << false;
    QTest::newRow("double whole") << QVariant(3.0) << "3" << false;
    QTest::newRow("double not finite") << QVariant(std::nan("")) << "null" << false;
    QTest::newRow("int") << QVariant(-42) << "-42" << false;
    QTest::newRow("true") << QVariant(true) << "true" << false;
    QTest::newRow("false") << QVariant(false) << "false" << false;
    QTest::newRow("invalid") << QVariant() << "null" << false;
    QTest::newRow("null string") << QVariant(QString()) << "null" << false;
    QTest::newRow("null date") << QVariant(QDate()) << "null" << false;
    QTest::newRow("null in list")
        << QVariant(QVariantList{QString(), QByteArray(), 1}) << "[null,null,1]" << false;
    QTest::newRow("empty string") << QVariant(QLatin1String("")) << "\"\"" << false;
    QTest::newRow("empty map") << QVariant(QVariantMap()) << "{}" << false;
    QTest::newRow("empty list") << QVariant(QVariantList()) << "[]" << false;
    QTest::newRow("empty string list") << QVariant(QStringList()) << "[]" << false;
    QTest::newRow("list") << QVariant(QVariantList{1, "a", QVariant(), false})
                          << R"([1,"a",null,false])" << false;
    QTest::newRow("string list") << QVariant(QStringList{"a", "b"}) << R"(["a","b"])" << false;
    QTest::newRow("string list escaped")
        << QVariant(QStringList{"it's"}) << R"(["it\u0027s"])" << false;
    QTest::newRow("key escaped") << QVariant(map({{"k'\"", 1}})) << R"({"k\u0027\u0022":1})"
                                 << false;
    QTest::newRow("hash") << QVariant(QVariantHash{{"k", "v"}}) << R"({"k":"v"})" << false;
    QTest::newRow("entry list")
        << QVariant(map({{"entry", QVariantList{map({{"id", "x"}, {"title", "a\nb"}})}}}))
        << R"({"entry":[{"id":"x","title":"a\u000Ab"}]})" << false;
    // Raw control characters and the two Unicode line separators would make a strict reader or
    // a script string reject the text; DEL is neither and stays as it is.
    QTest::newRow("control characters")
        << QVariant(QStringLiteral("a\x1B\vb\x7F")) << "\"a\\u001B\\u000Bb\x7F\"" << false;
    QString controls;
    QString controlsEscaped = QStringLiteral("\"");
    for (ushort u = 0; u < 0x20; ++u) {
        controls += QChar(u);
        controlsEscaped += QStringLiteral("\\u00") +
                           QString::number(u, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    }
    controlsEscaped += QLatin1Char('"');
    QTest::newRow("every control character") << QVariant(controls) << controlsEscaped << false;
    QTest::newRow("line separators")
        << QVariant(QChar(0x2028) + QStringLiteral("a") + QChar(0x2029)) << R"("\u2028a\u2029")"
        << false;
    QTest::newRow("control in key and list")
        << QVariant(map({{"k\x1F", QStringList{"\x01"}}})) << R"({"k\u001F":["\u0001"]})" << false;
    QTest::newRow("unsigned") << QVariant(7u) << "" << true;
    QTest::newRow("64-bit") << QVariant(qlonglong(7)) << "" << true;
    QTest::newRow("date") << QVariant(QDate(2020, 1, 2)) << "" << true;
    QTest::newRow("unhandled in list")
        << QVariant(QVariantList{1, QDate(2020, 1, 2), 2}) << "[1,,2]" << false;
    QTest::newRow("unhandled last in list") << QVariant(QVariantList{1, 7u}) << "[1,]" << false;
    QTest::newRow("unhandled in map")
        << QVariant(map({{"a", qlonglong(1)}})) << R"({"a":})" << false;
}

void tst_Json::write()
{
    QFETCH(QVariant, data);
    QFETCH(QString, expected);
    QFETCH(bool, nullText);

    const QString json = toJson(data);
    QCOMPARE(json, expected);
    QCOMPARE(json.isNull(), nullText);
}

void tst_Json::escape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "plain text"
                           << "plain text";
    QTest::newRow("backslash once") << "a\\b"
                                    << R"(a\u005Cb)";
    QTest::newRow("controls") << "\b\f\n\r\t"
                              << R"(\u0008\u000C\u000A\u000D\u0009)";
    QTest::newRow("quotes") << "'\""
                            << R"(\u0027\u0022)";
    QTest::newRow("escape-looking text") << "\\u0027"
                                         << R"(\u005Cu0027)";
    QTest::newRow("others unchanged") << str("\x01\x1f\xc3\xa9/<") << str("\x01\x1f\xc3\xa9/<");
}

void tst_Json::escape()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    QCOMPARE(escapeJsonString(text), expected);
}

void tst_Json::roundTrip_data()
{
    QTest::addColumn<QVariant>("data");

    QTest::newRow("video record") << QVariant(
        map({{"id", "dQw4w9WgXcQ"},
             {"url", "http://127.0.0.1:8311/watch?v=dQw4w9WgXcQ&feature=x"},
             {"title", str("Rick's \"Song\" \\ \xc3\xa9 \t line\r\nbreak")},
             {"thumbnail", "http://127.0.0.1:8311/vi/dQw4w9WgXcQ/default.jpg"},
             {"duration", "3:33"}}));
    QString controls;
    for (ushort u = 0; u < 0x20; ++u)
        controls += QChar(u);
    QTest::newRow("controls and separators")
        << QVariant(map({{controls, controls + QChar(0x2028) + QChar(0x2029) + QChar(0x7F)}}));
    QTest::newRow("nested") << QVariant(
        map({{"a", QVariantList{"x", true, QVariant(), QVariantMap()}}, {"b", QLatin1String("")}}));
}

// What the writer produces, the reader takes back unchanged (numbers aside, which read as text).
void tst_Json::roundTrip()
{
    QFETCH(QVariant, data);

    bool ok = false;
    const QVariant back = parseJson(toJson(data), ok);
    QVERIFY(ok);
    QVERIFY2(sameTree(back, data), describe(back).constData());
}

QTEST_GUILESS_MAIN(tst_Json)
#include "tst_json.moc"
