#include "qttextparse.h"

#include <QtTest>

using QT_EXT::QtTextParse;

class tst_QtTextParse : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void cursorMovement();
    void emptyText();
    void isAt_data();
    void isAt();
    void isAtMatchesSearchDefinition_data();
    void isAtMatchesSearchDefinition();
    void wholeTextTests();
    void skipPast_data();
    void skipPast();
    void charMovement_data();
    void charMovement();
    void reading_data();
    void reading();
    void videoIdFromWatchAddress_data();
    void videoIdFromWatchAddress();
    void artistAndTitle();
    void tagContent_data();
    void tagContent();
    void tagContentWalksElements();
    void attributes_data();
    void attributes();
    void attributeValue_data();
    void attributeValue();
    void linkTarget_data();
    void linkTarget();
    void markup();
    void plainText_data();
    void plainText();
    void parseFraction_data();
    void parseFraction();
    void counting();
    void decodeEntities_data();
    void decodeEntities();
    void encodeEntities_data();
    void encodeEntities();
    void toFileName_data();
    void toFileName();
    void smallHelpers();
};

void tst_QtTextParse::construction()
{
    QtTextParse empty;
    QVERIFY(empty.isEmpty());
    QCOMPARE(empty.pos(), 0);
    QCOMPARE(empty.last(), 0);
    QCOMPARE(empty.markPos(), 0);

    QtTextParse fromNull(static_cast<const char16_t *>(nullptr));
    QVERIFY(fromNull.isEmpty());
    QCOMPARE(fromNull.pos(), 0);

    QtTextParse fromUtf16(u"h\u00e9llo");
    QCOMPARE(fromUtf16.text(), QString::fromUtf8("h\xc3\xa9llo"));
    QCOMPARE(fromUtf16.last(), 4);

    QObject owner;
    auto *child = new QtTextParse(QStringLiteral("abc"), &owner);
    QCOMPARE(child->parent(), &owner);
    QCOMPARE(child->length(), 3);

    // Assigning another scanner copies cursor and mark; assigning a text resets them.
    QtTextParse a(QStringLiteral("abcdef"));
    a.setPos(4);
    a.mark();
    a.setPos(2);
    QtTextParse b;
    b = a;
    QCOMPARE(b.text(), a.text());
    QCOMPARE(b.pos(), 2);
    QCOMPARE(b.markPos(), 4);
    QCOMPARE(b.last(), 5);
    b = QStringLiteral("xy");
    QCOMPARE(b.pos(), 0);
    QCOMPARE(b.markPos(), 0);
    QCOMPARE(b.last(), 1);

    // setText keeps the cursor; an empty text keeps the previous last index.
    b.setPos(1);
    b.setText(QStringLiteral("longer text"));
    QCOMPARE(b.pos(), 1);
    QCOMPARE(b.last(), 10);
    b.setText(QString());
    QCOMPARE(b.last(), 10);
    QVERIFY(b.atEnd());
}

void tst_QtTextParse::cursorMovement()
{
    QtTextParse p(QStringLiteral("abc"));
    p.toEnd();
    QCOMPARE(p.pos(), 2); // on the last character, not past it
    QVERIFY(!p.atEnd());
    QCOMPARE(p.currentChar(), QChar('c'));
    p.next();
    QVERIFY(p.atEnd());
    QCOMPARE(p.currentChar(), QChar());
    p.next();
    QCOMPARE(p.pos(), 3);

    p.setPos(3);
    QCOMPARE(p.pos(), 3);
    p.setPos(10);
    QCOMPARE(p.pos(), 2);
    p.setPos(-5);
    QCOMPARE(p.pos(), 0);
    QVERIFY(p.atStart());
    p.prev();
    QCOMPARE(p.pos(), 0);

    p.advance(2);
    QCOMPARE(p.pos(), 2);
    p.advance(100);
    QCOMPARE(p.pos(), 3);
    p.retreat(1);
    QCOMPARE(p.pos(), 2);
    p.retreat(100);
    QCOMPARE(p.pos(), 0);
    p.step(true);
    QCOMPARE(p.pos(), 1);
    p.step(false);
    QCOMPARE(p.pos(), 0);

    p.setPos(1);
    p.mark();
    p.toEnd();
    p.restoreMark();
    QCOMPARE(p.pos(), 1);
    QVERIFY(p.isChar('b'));
    QVERIFY(p.isChar(QChar('b')));
    QVERIFY(p.isOneOf(QStringLiteral("xb")));
    QVERIFY(!p.isOneOf(QStringLiteral("ac")));

    QtTextParse blank(QStringLiteral("a\tb c"));
    blank.setPos(1);
    QVERIFY(blank.isSpace());
    blank.setPos(3);
    QVERIFY(blank.isSpace());
    blank.setPos(2);
    QVERIFY(!blank.isSpace());
}

void tst_QtTextParse::emptyText()
{
    QtTextParse p{QString()};
    QVERIFY(p.atEnd());
    QVERIFY(p.atStart());
    p.toEnd();
    QCOMPARE(p.pos(), 0);
    QCOMPARE(p.currentChar(), QChar());
    QVERIFY(!p.isAt(QStringLiteral("a")));
    QVERIFY(p.readUntilOneOf(QStringLiteral("x")).isEmpty());
    QVERIFY(p.readUntilString(QStringLiteral("x")).isEmpty());
    QVERIFY(p.readUntilStringAndSkip(QStringLiteral("x")).isEmpty());
    QVERIFY(p.readUntil(QChar('x'), true).isEmpty());
    QVERIFY(p.readUntilAndSkip(QChar('x')).isEmpty());
    QVERIFY(p.readWhile(QChar('x')).isEmpty());
    QVERIFY(p.readWhileOneOf(QStringLiteral("x")).isEmpty());
    QVERIFY(p.readUntilOneOfAndSkip(QStringLiteral("x")).isEmpty());
    QVERIFY(p.readToken().isEmpty());
    QVERIFY(p.readSpaces().isEmpty());
    QVERIFY(p.readToEnd().isEmpty());
    QVERIFY(p.tagContent(QStringLiteral("a")).isEmpty());
    QVERIFY(p.title().isEmpty());
    QVERIFY(p.linkTarget().isEmpty());
    QCOMPARE(p.parseFraction(), 0.0);
    QCOMPARE(p.wordCount(), 0);
    QCOMPARE(p.pos(), 0);
}

void tst_QtTextParse::isAt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("s");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("expected");

    QTest::newRow("insensitive") << "xHello" << 1 << "hello" << false << true;
    QTest::newRow("sensitive") << "xHello" << 1 << "hello" << true << false;
    QTest::newRow("sensitive same case") << "xHello" << 1 << "Hello" << true << true;
    QTest::newRow("later occurrence") << "xyHello" << 1 << "hello" << false << false;
    QTest::newRow("empty string") << "abc" << 0 << "" << false << false;
    QTest::newRow("longer than rest") << "abc" << 1 << "bcd" << false << false;
    QTest::newRow("exactly the rest") << "abc" << 1 << "BC" << false << true;
    QTest::newRow("at end") << "abc" << 3 << "c" << false << false;
    QTest::newRow("non-ascii") << QString::fromUtf8("\xc3\x84pfel") << 0
                               << QString::fromUtf8("\xc3\xa4P") << false << true;
}

void tst_QtTextParse::isAt()
{
    QFETCH(QString, text);
    QFETCH(int, pos);
    QFETCH(QString, s);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, expected);

    QtTextParse p(text);
    p.setPos(pos);
    QCOMPARE(p.isAt(s, caseSensitive), expected);
    QCOMPARE(p.pos(), pos);
}

void tst_QtTextParse::isAtMatchesSearchDefinition_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("s");

    QTest::newRow("repeats") << "abababa"
                             << "aba";
    QTest::newRow("mixed case") << "AbAbaBAB"
                                << "bab";
    QTest::newRow("greek sigma") << QString::fromUtf8("\xce\xa3\xcf\x83\xcf\x82\xce\xa3")
                                 << QString::fromUtf8("\xcf\x83");
    QTest::newRow("sharp s") << QString::fromUtf8("stra\xc3\x9f"
                                                  "eSTRASSE")
                             << "ss";
    QTest::newRow("surrogates") << QString::fromUtf8("\xf0\x90\x90\x80\xf0\x90\x90\xa8x")
                                << QString::fromUtf8("\xf0\x90\x90\xa8");
    QTest::newRow("long text") << QString(QStringLiteral("abcdefgh")).repeated(100) +
                                      QStringLiteral("XYZxyz")
                               << "xyZXYz"; // long enough for the skip-table search
}

// The quick check at the cursor must give what "first occurrence from the cursor starts at the
// cursor" gives, at every position and for both case modes.
void tst_QtTextParse::isAtMatchesSearchDefinition()
{
    QFETCH(QString, text);
    QFETCH(QString, s);

    QtTextParse p(text);
    for (const bool cs : {false, true}) {
        const Qt::CaseSensitivity qcs = cs ? Qt::CaseSensitive : Qt::CaseInsensitive;
        for (int i = 0; i <= text.length(); ++i) {
            p.setPos(i);
            QCOMPARE(p.isAt(s, cs), text.indexOf(s, i, qcs) == i);
        }
    }
}

void tst_QtTextParse::wholeTextTests()
{
    QtTextParse p(QStringLiteral("abcabc"));
    p.setPos(4);
    QVERIFY(p.contains(QStringLiteral("ABC")));
    QVERIFY(!p.contains(QStringLiteral("ABC"), true));
    QVERIFY(!p.contains(QString()));
    QVERIFY(p.contains(QChar('a')));
    QVERIFY(!p.contains(QChar('A')));
    QVERIFY(!p.containsAfter(QStringLiteral("abc")));
    QVERIFY(p.containsAfter(QStringLiteral("bc")));
    QVERIFY(!p.containsAfter(QStringLiteral("BC")));
    QVERIFY(p.startsWith(QStringLiteral("ABC")));
    QVERIFY(!p.startsWith(QStringLiteral("ABC"), true));
    QVERIFY(!p.startsWith(QString()));
    QVERIFY(!p.startsWith(QStringLiteral("bc")));
    QVERIFY(p.containsOneOf(QStringLiteral("zc")));
    QVERIFY(!p.containsOneOf(QStringLiteral("xyz")));
    QCOMPARE(p.indexOf(QStringLiteral("bc")), 4);
    QCOMPARE(p.indexOf(QStringLiteral("ab")), -1);
    QCOMPARE(p.indexOf(QChar('c')), 5);
    QCOMPARE(p.indexOf(QChar('a')), -1);
    QCOMPARE(p.pos(), 4);
}

void tst_QtTextParse::skipPast_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("s");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("expectedPos");
    QTest::addColumn<int>("foundAt");

    QTest::newRow("after occurrence") << "watch?v=abc&x" << 0 << "v=" << true << false << 8 << 6;
    QTest::newRow("not found stays") << "watch?x=abc" << 3 << "v=" << true << false << 3 << -1;
    QTest::newRow("copies skipped") << "xababy" << 0 << "ab" << true << false << 5 << 1;
    QTest::newRow("copy at end") << "xabab" << 0 << "ab" << true << false << 5 << 1;
    QTest::newRow("insensitive") << "xV=1" << 0 << "v=" << true << false << 3 << 1;
    QTest::newRow("sensitive misses") << "xV=1" << 0 << "v=" << true << true << 0 << -1;
    QTest::newRow("only from cursor") << "v=1 x" << 2 << "v=" << true << false << 2 << -1;
    QTest::newRow("empty string") << "abc" << 1 << "" << true << false << 1 << -1;
    QTest::newRow("backward") << "xxabab" << 5 << "ab" << false << false << 0 << 4;
    QTest::newRow("backward single") << "x-y-z" << 4 << "-" << false << false << 2 << 3;
    QTest::newRow("backward copy at start") << "aa" << 1 << "a" << false << false << 0 << 1;
    // From past the last character every occurrence lies behind the cursor.
    QTest::newRow("backward from end") << "xxabab" << 6 << "ab" << false << false << 0 << 4;
    QTest::newRow("backward single from end") << "x-y-z-" << 6 << "-" << false << false << 4 << 5;
    QTest::newRow("backward from end any case")
        << "abcXYd" << 6 << "xy" << false << false << 1 << 3;
}

void tst_QtTextParse::skipPast()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(QString, s);
    QFETCH(bool, forward);
    QFETCH(bool, caseSensitive);
    QFETCH(int, expectedPos);

    QtTextParse p(text);
    p.setPos(start);
    p.skipPast(s, forward, caseSensitive);
    QCOMPARE(p.pos(), expectedPos);

    // find stops on the occurrence itself, or does not move.
    QFETCH(int, foundAt);
    p.setPos(start);
    QCOMPARE(p.find(s, forward, caseSensitive), foundAt >= 0);
    QCOMPARE(p.pos(), foundAt >= 0 ? foundAt : start);
}

void tst_QtTextParse::charMovement_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("expectedPos");

    QTest::newRow("skipTo") << "ab=cd" << 0 << "skipTo=" << true << 2;
    QTest::newRow("skipTo missing goes to end") << "abcd" << 1 << "skipTo=" << true << 4;
    QTest::newRow("skipTo backward") << "a=bcd" << 4 << "skipTo=" << false << 1;
    QTest::newRow("skipTo backward missing") << "abcd" << 3 << "skipTo=" << false << 0;
    QTest::newRow("skipWhile") << "==a" << 0 << "skipWhile=" << true << 2;
    QTest::newRow("skipPastChar") << "a==b" << 0 << "skipPastChar=" << true << 3;
    QTest::newRow("skipToOneOf") << "abc;d,e" << 0 << "skipToOneOf,;" << true << 3;
    QTest::newRow("skipWhileOneOf") << ";,;x" << 0 << "skipWhileOneOf,;" << true << 3;
    QTest::newRow("skipToSpace") << "ab\tc" << 0 << "skipToSpace" << true << 2;
    QTest::newRow("skipSpaces") << " \t x" << 0 << "skipSpaces" << true << 3;
    QTest::newRow("backward blanks stop at start") << "  x" << 1 << "skipSpaces" << false << 0;
    QTest::newRow("backward blanks") << "a  x" << 2 << "skipSpaces" << false << 0;
    QTest::newRow("skipLower") << "abcDEFg" << 0 << "skipLower" << true << 3;
    QTest::newRow("skipUpper") << "abcDEFg" << 3 << "skipUpper" << true << 6;
    QTest::newRow("nextTag") << "<a>text<b>" << 0 << "nextTag" << true << 7;
}

void tst_QtTextParse::charMovement()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(QString, op);
    QFETCH(bool, forward);
    QFETCH(int, expectedPos);

    QtTextParse p(text);
    p.setPos(start);
    if (op.startsWith(QLatin1String("skipToOneOf")))
        p.skipToOneOf(op.mid(11), forward);
    else if (op.startsWith(QLatin1String("skipWhileOneOf")))
        p.skipWhileOneOf(op.mid(14), forward);
    else if (op == QLatin1String("skipToSpace"))
        p.skipToSpace(forward);
    else if (op == QLatin1String("skipSpaces"))
        p.skipSpaces(forward);
    else if (op == QLatin1String("skipLower"))
        p.skipLower(forward);
    else if (op == QLatin1String("skipUpper"))
        p.skipUpper(forward);
    else if (op == QLatin1String("nextTag"))
        QVERIFY(p.nextTag());
    else if (op.startsWith(QLatin1String("skipTo")))
        p.skipTo(op.at(6), forward);
    else if (op.startsWith(QLatin1String("skipWhile")))
        p.skipWhile(op.at(9), forward);
    else if (op.startsWith(QLatin1String("skipPastChar")))
        p.skipPastChar(op.at(12), forward);
    else
        QFAIL("unknown operation");
    QCOMPARE(p.pos(), expectedPos);
}

void tst_QtTextParse::reading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("arg");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedPos");

    QTest::newRow("untilOneOf") << "Artist - Song" << 0 << "untilOneOf"
                                << "-:"
                                << "Artist " << 7;
    QTest::newRow("untilOneOf none of set") << "plain text" << 2 << "untilOneOf"
                                            << "-:"
                                            << "ain text" << 10;
    QTest::newRow("untilString insensitive") << "one<BR>two" << 0 << "untilString"
                                             << "<br>"
                                             << "one" << 3;
    QTest::newRow("untilString sensitive") << "one<BR>two<br>" << 0 << "untilStringCS"
                                           << "<br>"
                                           << "one<BR>two" << 10;
    QTest::newRow("untilString missing") << "abc" << 1 << "untilString"
                                         << "x"
                                         << "bc" << 3;
    QTest::newRow("untilString empty") << "abc" << 1 << "untilString"
                                       << ""
                                       << "bc" << 3;
    QTest::newRow("untilStringAndSkip") << "a--b" << 0 << "untilStringAndSkip"
                                        << "-"
                                        << "a" << 3;
    // The skip after a case-sensitive read still takes copies in any case.
    QTest::newRow("untilStringAndSkip case") << "xABabz" << 0 << "untilStringAndSkipCS"
                                             << "AB"
                                             << "x" << 5;
    QTest::newRow("untilStringAndSkip missing") << "abc" << 0 << "untilStringAndSkip"
                                                << "x"
                                                << "abc" << 3;
    QTest::newRow("until") << "key=val" << 0 << "until"
                           << "="
                           << "key" << 3;
    QTest::newRow("until include") << "key=val" << 0 << "untilInclude"
                                   << "="
                                   << "key=" << 4;
    QTest::newRow("until include missing") << "key" << 0 << "untilInclude"
                                           << "="
                                           << "key" << 3;
    QTest::newRow("untilAndSkip") << "a===b" << 0 << "untilAndSkip"
                                  << "="
                                  << "a" << 4;
    QTest::newRow("while") << "aaab" << 0 << "while"
                           << "a"
                           << "aaa" << 3;
    QTest::newRow("whileOneOf") << "abcabd" << 0 << "whileOneOf"
                                << "abc"
                                << "abcab" << 5;
    QTest::newRow("untilOneOfAndSkip") << "12/ /3" << 0 << "untilOneOfAndSkip"
                                       << "/ "
                                       << "12" << 5;
    QTest::newRow("token") << "word\tnext" << 0 << "token"
                           << ""
                           << "word" << 4;
    QTest::newRow("spaces") << " \t x" << 0 << "spaces"
                            << ""
                            << " \t " << 3;
    QTest::newRow("toEnd") << "abcdef" << 2 << "toEnd"
                           << ""
                           << "cdef" << 6;
}

void tst_QtTextParse::reading()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(QString, op);
    QFETCH(QString, arg);
    QFETCH(QString, expected);
    QFETCH(int, expectedPos);

    QtTextParse p(text);
    p.setPos(start);
    QString read;
    const QChar ch = arg.isEmpty() ? QChar() : arg.at(0);
    if (op == QLatin1String("untilOneOf"))
        read = p.readUntilOneOf(arg);
    else if (op == QLatin1String("untilString"))
        read = p.readUntilString(arg);
    else if (op == QLatin1String("untilStringCS"))
        read = p.readUntilString(arg, true);
    else if (op == QLatin1String("untilStringAndSkip"))
        read = p.readUntilStringAndSkip(arg);
    else if (op == QLatin1String("untilStringAndSkipCS"))
        read = p.readUntilStringAndSkip(arg, true);
    else if (op == QLatin1String("until"))
        read = p.readUntil(ch);
    else if (op == QLatin1String("untilInclude"))
        read = p.readUntil(ch, true);
    else if (op == QLatin1String("untilAndSkip"))
        read = p.readUntilAndSkip(ch);
    else if (op == QLatin1String("while"))
        read = p.readWhile(ch);
    else if (op == QLatin1String("whileOneOf"))
        read = p.readWhileOneOf(arg);
    else if (op == QLatin1String("untilOneOfAndSkip"))
        read = p.readUntilOneOfAndSkip(arg);
    else if (op == QLatin1String("token"))
        read = p.readToken();
    else if (op == QLatin1String("spaces"))
        read = p.readSpaces();
    else if (op == QLatin1String("toEnd"))
        read = p.readToEnd();
    else
        QFAIL("unknown operation");
    QCOMPARE(read, expected);
    QCOMPARE(p.pos(), expectedPos);
    QCOMPARE(p.atEnd(), expectedPos == text.length());
}

void tst_QtTextParse::videoIdFromWatchAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("id");

    QTest::newRow("with more keys") << "http://127.0.0.1:8311/watch?v=dQw4w9WgXcQ&feature=related"
                                    << "dQw4w9WgXcQ";
    QTest::newRow("last key") << "http://host/watch?v=abc123"
                              << "abc123";
    QTest::newRow("upper-case key") << "http://host/watch?V=abc&x=1"
                                    << "abc";
    // Without "v=" the cursor stays at 0, so the read starts at the beginning.
    QTest::newRow("no key") << "abc&d=1"
                            << "abc";
}

void tst_QtTextParse::videoIdFromWatchAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, id);

    QtTextParse p(address);
    p.skipPast(QStringLiteral("v="), true, false);
    QCOMPARE(p.readUntilString(QStringLiteral("&"), false), id);
}

void tst_QtTextParse::artistAndTitle()
{
    QtTextParse p(QStringLiteral("Some Artist - The Song: Live"));
    QCOMPARE(p.readUntilOneOf(QStringLiteral("-:")), QStringLiteral("Some Artist "));
    p.skipToSpace(true);
    p.skipSpaces(true);
    QCOMPARE(p.readUntilOneOf(QStringLiteral(":")), QStringLiteral("The Song"));
}

void tst_QtTextParse::tagContent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("endTag");
    QTest::addColumn<bool>("keepTags");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("moves");

    QTest::newRow("case and blanks") << "<result><LYRICS> x &amp; y </lyrics></result>"
                                     << "lyrics"
                                     << "" << false << "x & y " << true;
    QTest::newRow("double escaped") << "<l>&amp;lt;b&amp;gt;</l>"
                                    << "l"
                                    << "" << false << "<b>" << true;
    QTest::newRow("only opening tag") << "<lyrics>text without end"
                                      << "lyrics"
                                      << "" << false << "" << false;
    QTest::newRow("only closing tag") << "text</lyrics>"
                                      << "lyrics"
                                      << "" << false << "" << false;
    QTest::newRow("closing before opening") << "</a> stray <a>open"
                                            << "a"
                                            << "" << false << "" << false;
    QTest::newRow("keep tags") << "pre<B> bold </b>post"
                               << "b"
                               << "" << true << "<B> bold </b>" << true;
    QTest::newRow("end tag") << "<item>value</end>"
                             << "item"
                             << "end" << false << "value" << true;
    QTest::newRow("empty element") << "<a></a>"
                                   << "a"
                                   << "" << false << "" << true;
}

void tst_QtTextParse::tagContent()
{
    QFETCH(QString, text);
    QFETCH(QString, tag);
    QFETCH(QString, endTag);
    QFETCH(bool, keepTags);
    QFETCH(QString, expected);
    QFETCH(bool, moves);

    QtTextParse p(text);
    QCOMPARE(p.tagContent(tag, endTag, keepTags), expected);
    QCOMPARE(p.pos() != 0, moves);
}

void tst_QtTextParse::tagContentWalksElements()
{
    const QString text = QStringLiteral("<list><l>one</l> <L>two</L></list>tail");
    QtTextParse p(text);
    QVERIFY(p.contains(QStringLiteral("<l>")));
    QCOMPARE(p.tagContent(QStringLiteral("l")), QStringLiteral("one"));
    QCOMPARE(p.tagContent(QStringLiteral("l")), QStringLiteral("two"));
    const int afterSecond = p.pos();
    QCOMPARE(text.mid(afterSecond), QStringLiteral("</list>tail"));
    // No third element: nothing is read and the cursor stays.
    QCOMPARE(p.tagContent(QStringLiteral("l")), QString());
    QCOMPARE(p.pos(), afterSecond);
}

void tst_QtTextParse::attributes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("rest");

    QTest::newRow("quoted") << "<p><IMG alt=\"x\" src=\"a&amp;b.jpg\"></p>"
                            << "img"
                            << "src"
                            << "a&b.jpg" << 0 << "></p>";
    QTest::newRow("blanks after =") << "<a href=  \"u\">"
                                    << "a"
                                    << "href"
                                    << "u" << 0 << ">";
    // The tag follows, the attribute does not: the cursor stays past the tag.
    QTest::newRow("missing attribute") << "<img alt=\"x\">"
                                       << "img"
                                       << "src"
                                       << "" << 0 << " alt=\"x\">";
    QTest::newRow("missing tag") << "<p src=\"x\">"
                                 << "img"
                                 << "src"
                                 << "" << 0 << "<p src=\"x\">";
    QTest::newRow("first after tag") << "<a id=\"1\"><b id=\"2\">"
                                     << "b"
                                     << "id"
                                     << "2" << 0 << ">";
    QTest::newRow("attribute only in an earlier tag") << "<a id=\"1\"><b x=\"2\">"
                                                      << "b"
                                                      << "id"
                                                      << "" << 0 << " x=\"2\">";
    QTest::newRow("tag only before cursor") << "<img src=\"a\"> text"
                                            << "img"
                                            << "src"
                                            << "" << 5 << "src=\"a\"> text";
    QTest::newRow("next tag after cursor") << "<img src=\"a\"><img src=\"b\">"
                                           << "img"
                                           << "src"
                                           << "b" << 1 << ">";
}

void tst_QtTextParse::attributes()
{
    QFETCH(QString, text);
    QFETCH(QString, tag);
    QFETCH(QString, attribute);
    QFETCH(QString, expected);
    QFETCH(int, start);
    QFETCH(QString, rest);

    QtTextParse p(text);
    p.setPos(start);
    QCOMPARE(p.tagAttribute(tag, attribute), expected);
    QCOMPARE(text.mid(p.pos()), rest);
}

void tst_QtTextParse::attributeValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("rest");

    QTest::newRow("after cursor") << "<a HREF=\"u\" x>" << 0 << "href"
                                  << "u"
                                  << " x>";
    QTest::newRow("entity and blanks") << "<x title=  \"a&amp;b\">" << 0 << "title"
                                       << "a&b"
                                       << ">";
    QTest::newRow("only before cursor") << "<a href=\"u\"> text" << 12 << "href"
                                        << ""
                                        << " text";
    QTest::newRow("missing") << "<a name=\"u\">" << 0 << "href"
                             << ""
                             << "<a name=\"u\">";
}

void tst_QtTextParse::attributeValue()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(QString, attribute);
    QFETCH(QString, expected);
    QFETCH(QString, rest);

    QtTextParse p(text);
    p.setPos(start);
    QCOMPARE(p.attributeValue(attribute), expected);
    QCOMPARE(text.mid(p.pos()), rest);
}

void tst_QtTextParse::linkTarget_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("rest");

    QTest::newRow("double quotes") << "HREF=\"http://x/\">text>more"
                                   << "http://x/"
                                   << "more";
    QTest::newRow("single quotes") << "href='a.html'>b>c"
                                   << "a.html"
                                   << "c";
    QTest::newRow("bare") << "href=page>x"
                          << "page"
                          << "";
    QTest::newRow("not at href") << "<a href=\"x\">"
                                 << ""
                                 << "<a href=\"x\">";
}

void tst_QtTextParse::linkTarget()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(QString, rest);

    QtTextParse p(text);
    QCOMPARE(p.linkTarget(), expected);
    QCOMPARE(text.mid(p.pos()), rest);
}

void tst_QtTextParse::markup()
{
    QtTextParse p(QStringLiteral("<html><head><Title>My &amp; Page</title>"));
    QCOMPARE(p.title(), QStringLiteral("My &amp; Page"));

    QtTextParse link(QStringLiteral("<A HREF=\"x\">"));
    QVERIFY(link.isLinkStart());
    link.next();
    QVERIFY(!link.isLinkStart());

    // An entity is skipped through its ';', a tag through its '>' and the blanks after it.
    QtTextParse m(QStringLiteral("&nbsp;;x<br>\r\n y"));
    QVERIFY(m.skipMarkup(true));
    QCOMPARE(m.pos(), 7);
    QVERIFY(m.skipMarkup(true));
    QCOMPARE(m.currentChar(), QChar('y'));

    QtTextParse tags(QStringLiteral("<p> <b>\tword"));
    tags.skipTags(false);
    QCOMPARE(tags.pos(), 3);
    tags.toStart();
    tags.skipTags(true);
    QCOMPARE(tags.currentChar(), QChar('w'));
}

void tst_QtTextParse::plainText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("line");

    // toPlainText decodes "&amp;" last, so an escaped entity stays escaped once.
    QTest::newRow("tags and entities") << "<p>a &amp;lt; b</p>\n<br>c&nbsp;d"
                                       << "a &lt; bc d"
                                       << "a &lt; b\n\nc d";
    QTest::newRow("breaks") << "one<BR/>two<br>three"
                            << "onetwothree"
                            << "one\ntwo\nthree";
    QTest::newRow("quotes") << "&quot;q&quot; &apos;a&apos; &gt;"
                            << "\"q\" 'a' >"
                            << "\"q\" 'a' >";
    QTest::newRow("unclosed tag") << "text<b"
                                  << "text"
                                  << "text";
}

void tst_QtTextParse::plainText()
{
    QFETCH(QString, text);
    QFETCH(QString, plain);
    QFETCH(QString, line);

    QtTextParse p(text);
    QString out = QStringLiteral(">>");
    p.toPlainText(out);
    QCOMPARE(out, QStringLiteral(">>") + plain);
    QVERIFY(p.atEnd());
    QCOMPARE(p.plainTextLine(), line);
}

void tst_QtTextParse::parseFraction_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("one and one third") << "1 1/3" << 1.33;
    QTest::newRow("one half") << "1/2" << 0.5;
    QTest::newRow("two and three quarters") << "2\t3/4" << 2.75;
    QTest::newRow("no slash") << "3" << 0.0;
    QTest::newRow("zero numerator") << "1 0/5" << 0.0;
    QTest::newRow("zero denominator") << "1 1/0" << 0.0;
    QTest::newRow("denominator over 100") << "1/200" << 0.0;
    QTest::newRow("large numerator") << "2147483647/1" << 2147483647.0;
}

void tst_QtTextParse::parseFraction()
{
    QFETCH(QString, text);
    QFETCH(double, expected);

    QtTextParse p(text);
    QCOMPARE(p.parseFraction(), expected);
}

void tst_QtTextParse::counting()
{
    QtTextParse p(QStringLiteral("a,b,,c"));
    p.setPos(2);
    QCOMPARE(p.countChar(QChar(',')), 2);
    QCOMPARE(p.pos(), 2);

    QtTextParse words(QStringLiteral("one two  three"));
    words.setPos(5);
    QCOMPARE(words.wordCount(), 3);
    QCOMPARE(words.pos(), 0);
}

void tst_QtTextParse::decodeEntities_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("amp then lt") << "&amp;lt;"
                                 << "<";
    QTest::newRow("all six") << "&amp;&quot;&lt;&gt;&nbsp;&apos;"
                             << "&\"<> '";
    QTest::newRow("one pass per entity") << "&amp;amp;"
                                         << "&amp;";
    QTest::newRow("case-sensitive") << "&AMP; &Lt;"
                                    << "&AMP; &Lt;";
    QTest::newRow("numeric untouched") << "&#39;&#x27;"
                                       << "&#39;&#x27;";
}

void tst_QtTextParse::decodeEntities()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    QCOMPARE(QtTextParse::decodedEntities(text), expected);
    QString inPlace = text;
    QtTextParse::decodeEntities(inPlace);
    QCOMPARE(inPlace, expected);
    QtTextParse p(text);
    QCOMPARE(p.decodedText(), expected);
    QCOMPARE(p.text(), text);
}

void tst_QtTextParse::encodeEntities_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("expectedNoBreaks");

    QTest::newRow("specials") << "a & \"b\" <c> 'd'"
                              << "a &amp; &quot;b&quot; &lt;c&gt; &apos;d&apos;"
                              << "a &amp; &quot;b&quot; &lt;c&gt; &apos;d&apos;";
    QTest::newRow("entity kept readable") << "&lt;"
                                          << "&amp;lt;"
                                          << "&amp;lt;";
    QTest::newRow("line breaks") << "a\r\nb\nc\rd"
                                 << "a<br>b<br>c\rd"
                                 << "a\r\nb\nc\rd";
}

void tst_QtTextParse::encodeEntities()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(QString, expectedNoBreaks);

    QCOMPARE(QtTextParse::encodedEntities(text), expected);
    QString inPlace = text;
    QtTextParse::encodeEntities(inPlace);
    QCOMPARE(inPlace, expected);
    QString noBreaks = text;
    QtTextParse::encodeEntitiesNoBreaks(noBreaks);
    QCOMPARE(noBreaks, expectedNoBreaks);
}

void tst_QtTextParse::toFileName_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("slash colon question line feed") << "a/b:c?d\ne"
                                                    << "a-b-c-de";
    QTest::newRow("every character") << "<>:\"/\\|?*%"
                                     << "----------";
    QTest::newRow("controls removed") << "x\r\n\ty"
                                      << "xy";
    QTest::newRow("plain") << "Artist - Song (Live)"
                           << "Artist - Song (Live)";
}

void tst_QtTextParse::toFileName()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    QtTextParse::toFileName(text);
    QCOMPARE(text, expected);
}

void tst_QtTextParse::smallHelpers()
{
    QString path = QStringLiteral("a");
    QtTextParse::withTrailingSlash(path);
    QCOMPARE(path, QStringLiteral("a/"));
    QtTextParse::withTrailingSlash(path);
    QCOMPARE(path, QStringLiteral("a/"));

    QCOMPARE(QtTextParse::percentEncoded(QString::fromUtf8("a b/\xc3\xbc~")),
             QStringLiteral("a%20b%2F%C3%BC~"));
    QCOMPARE(QtTextParse::percentDecoded(QStringLiteral("a%20b%C3%BC")),
             QString::fromUtf8("a b\xc3\xbc"));

    QVERIFY(QtTextParse::compare(QStringLiteral("a"), QStringLiteral("B")) > 0);
    QCOMPARE(QtTextParse::compare(QStringLiteral("x"), QStringLiteral("x")), 0);
}

QTEST_GUILESS_MAIN(tst_QtTextParse)
#include "tst_qttextparse.moc"
