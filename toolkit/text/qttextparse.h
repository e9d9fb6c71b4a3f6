#pragma once

#include <QObject>
#include <QString>

namespace QT_EXT {

// A cursor over one text, for pulling pieces out of fetched pages, titles and small XML answers
// without a full parser. Scanning never changes the text.
//
// Every member that takes `caseSensitive` matches case-insensitively when it is false and
// case-sensitively when it is true. Forward movement stops at the end of the text, backward
// movement at its start. An empty search string never matches.
class QtTextParse : public QObject
{
    Q_OBJECT

public:
    explicit QtTextParse(QObject *parent = nullptr);
    explicit QtTextParse(const QString &text, QObject *parent = nullptr);
    // A zero-terminated UTF-16 text; a null pointer gives an empty scanner.
    explicit QtTextParse(const char16_t *text, QObject *parent = nullptr);
    ~QtTextParse() override;

    // Copies text, cursor, last index and mark (not the parent).
    QtTextParse &operator=(const QtTextParse &other);
    // Resets cursor, last index and mark to 0, then sets the text.
    QtTextParse &operator=(const QString &text);

    // State.
    void setText(const QString &text); // the cursor is not moved
    const QString &text() const { return m_text; }
    int pos() const { return m_pos; }
    int length() const { return m_text.length(); }
    bool isEmpty() const { return m_text.isEmpty(); }
    // Index of the last character; unchanged when an empty text is assigned.
    int last() const { return m_last; }
    int markPos() const { return m_markPos; }

    void setPos(int p); // beyond the length: as toEnd(); below 0: as toStart()
    void toStart();
    void toEnd(); // onto the last character, not past it
    bool atStart() const;
    bool atEnd() const;
    void next();
    void prev();
    void step(bool forward);
    void advance(int n);
    void retreat(int n);
    void mark();
    void restoreMark();

    // Tests at the cursor; none moves it.
    QChar currentChar() const;
    bool isChar(QChar ch) const;
    bool isChar(char ch) const;
    bool isSpace() const;
    bool isOneOf(const QString &set) const;
    bool isAt(const QString &s, bool caseSensitive = false) const;

    // Tests on the whole text.
    bool contains(const QString &s, bool caseSensitive = false) const; // from index 0
    bool contains(QChar ch) const;
    bool containsAfter(const QString &s) const; // at or after the cursor
    bool startsWith(const QString &s, bool caseSensitive = false) const;
    bool containsOneOf(const QString &set) const;
    int indexOf(const QString &s) const; // at or after the cursor, -1 if none
    int indexOf(QChar ch) const;

    // Movement.
    bool find(const QString &s, bool forward = true, bool caseSensitive = false);
    bool skipPast(const QString &s, bool forward = true, bool caseSensitive = false);
    void skipTo(QChar ch, bool forward = true);
    void skipWhile(QChar ch, bool forward = true);
    void skipPastChar(QChar ch, bool forward = true);
    void skipToOneOf(const QString &set, bool forward = true);
    void skipWhileOneOf(const QString &set, bool forward = true);
    void skipToSpace(bool forward = true);
    void skipSpaces(bool forward = true);
    void skipLower(bool forward = true);
    void skipUpper(bool forward = true);

    // Reading: each returns the characters passed over and leaves the cursor on the first
    // character not taken.
    QString readUntilOneOf(const QString &set);
    QString readUntilString(const QString &s, bool caseSensitive = false);
    QString readUntilStringAndSkip(const QString &s, bool caseSensitive = false);
    QString readUntil(QChar ch, bool include = false);
    QString readUntilAndSkip(QChar ch, bool include = false);
    QString readWhile(QChar ch);
    QString readWhileOneOf(const QString &set);
    QString readUntilOneOfAndSkip(const QString &set);
    QString readToken();
    QString readSpaces();
    QString readToEnd();

    // Markup.
    // Content of the next element <tag>...</endTag or tag> at or after the cursor, entities
    // decoded; with keepTags the result runs from the opening through the closing tag. Empty,
    // with the cursor unmoved, when no complete element follows.
    QString tagContent(const QString &tag, const QString &endTag = QString(),
                       bool keepTags = false);
    // Value of ` attribute=` (quotes optional, blanks allowed after the '=') at or after the
    // cursor, entities decoded; the cursor ends past the closing quote. tagAttribute first steps
    // past the next `<tag`. Empty, with the cursor unmoved, when the tag does not follow the
    // cursor; empty, with the cursor past the tag, when the attribute does not follow it.
    QString tagAttribute(const QString &tag, const QString &attribute);
    QString attributeValue(const QString &attribute);
    QString title();
    bool isLinkStart() const;
    bool nextTag();
    bool skipMarkup(bool skipBlanks);
    void skipTags(bool skipBlanks);

    int countChar(QChar ch);
    int wordCount();
    double parseFraction(); // "1 1/3" gives 1.33
    void toPlainText(QString &out);
    QString plainTextLine() const; // the whole text; <br...> becomes a line break
    QString linkTarget();
    QString decodedText() const;

    // Static text helpers.
    static void decodeEntities(QString &text);
    static QString decodedEntities(const QString &text);
    static void encodeEntities(QString &text); // also turns line breaks into <br>
    static QString encodedEntities(const QString &text);
    static void encodeEntitiesNoBreaks(QString &text);
    static void toFileName(QString &text);
    static void withTrailingSlash(QString &text);
    static QString percentDecoded(const QString &text);
    static QString percentEncoded(const QString &text);
    static int compare(const QString &a, const QString &b);

private:
    bool currentIn(const QString &set) const;
    bool followsCursor(const QString &s) const; // in any case, at or after the cursor

    int m_pos = 0;
    int m_last = 0;
    int m_markPos = 0;
    QString m_text;
};

} // namespace QT_EXT
