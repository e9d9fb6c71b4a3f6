#include "qttextparse.h"

#include <QStringView>
#include <QUrl>

namespace QT_EXT {

namespace {

Qt::CaseSensitivity sensitivity(bool caseSensitive)
{
    return caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

QString blanks()
{
    return QStringLiteral(" \t");
}

QString attributeKey(const QString &attribute)
{
    return QLatin1Char(' ') + attribute + QLatin1Char('=');
}

} // namespace

QtTextParse::QtTextParse(QObject *parent) : QObject(parent) {}

QtTextParse::QtTextParse(const QString &text, QObject *parent) : QObject(parent)
{
    setText(text);
}

QtTextParse::QtTextParse(const char16_t *text, QObject *parent) : QObject(parent)
{
    if (text)
        setText(QString::fromUtf16(text));
}

QtTextParse::~QtTextParse() = default;

QtTextParse &QtTextParse::operator=(const QtTextParse &other)
{
    if (this != &other) {
        m_text = other.m_text;
        m_pos = other.m_pos;
        m_last = other.m_last;
        m_markPos = other.m_markPos;
    }
    return *this;
}

QtTextParse &QtTextParse::operator=(const QString &text)
{
    m_pos = 0;
    m_last = 0;
    m_markPos = 0;
    setText(text);
    return *this;
}

void QtTextParse::setText(const QString &text)
{
    m_text = text;
    if (!m_text.isEmpty())
        m_last = m_text.length() - 1;
}

void QtTextParse::setPos(int p)
{
    if (p < 0)
        toStart();
    else if (p <= length())
        m_pos = p;
    else
        toEnd();
}

void QtTextParse::toStart()
{
    m_pos = 0;
}

void QtTextParse::toEnd()
{
    m_pos = m_text.isEmpty() ? 0 : m_last;
}

bool QtTextParse::atStart() const
{
    return m_pos == 0;
}

bool QtTextParse::atEnd() const
{
    return m_text.isEmpty() || m_pos >= length();
}

void QtTextParse::next()
{
    if (!atEnd())
        ++m_pos;
}

void QtTextParse::prev()
{
    if (!atStart())
        --m_pos;
}

void QtTextParse::step(bool forward)
{
    if (forward)
        next();
    else
        prev();
}

void QtTextParse::advance(int n)
{
    if (n <= 0 || atEnd())
        return;
    m_pos = n >= length() - m_pos ? length() : m_pos + n;
}

void QtTextParse::retreat(int n)
{
    if (n <= 0)
        return;
    m_pos = n >= m_pos ? 0 : m_pos - n;
}

void QtTextParse::mark()
{
    m_markPos = m_pos;
}

void QtTextParse::restoreMark()
{
    setPos(m_markPos);
}

QChar QtTextParse::currentChar() const
{
    return m_pos < length() ? m_text.at(m_pos) : QChar();
}

bool QtTextParse::isChar(QChar ch) const
{
    return currentChar() == ch;
}

bool QtTextParse::isChar(char ch) const
{
    return currentChar() == QLatin1Char(ch);
}

bool QtTextParse::isSpace() const
{
    const QChar c = currentChar();
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool QtTextParse::currentIn(const QString &set) const
{
    return m_pos < length() && set.contains(m_text.at(m_pos));
}

bool QtTextParse::followsCursor(const QString &s) const
{
    return m_pos <= length() && m_text.indexOf(s, m_pos, Qt::CaseInsensitive) >= 0;
}

bool QtTextParse::isOneOf(const QString &set) const
{
    return currentIn(set);
}

// Same answer as "the first occurrence of s searched from the cursor starts at the cursor",
// without searching the rest of the text.
bool QtTextParse::isAt(const QString &s, bool caseSensitive) const
{
    if (s.isEmpty() || m_pos > length() - s.length())
        return false;
    return QStringView(m_text)
               .mid(m_pos, s.length())
               .compare(QStringView(s), sensitivity(caseSensitive)) == 0;
}

bool QtTextParse::contains(const QString &s, bool caseSensitive) const
{
    return !s.isEmpty() && m_text.contains(s, sensitivity(caseSensitive));
}

bool QtTextParse::contains(QChar ch) const
{
    return m_text.contains(ch);
}

bool QtTextParse::containsAfter(const QString &s) const
{
    return !s.isEmpty() && indexOf(s) >= 0;
}

bool QtTextParse::startsWith(const QString &s, bool caseSensitive) const
{
    return !s.isEmpty() && m_text.startsWith(s, sensitivity(caseSensitive));
}

bool QtTextParse::containsOneOf(const QString &set) const
{
    for (const QChar c : set) {
        if (m_text.contains(c))
            return true;
    }
    return false;
}

int QtTextParse::indexOf(const QString &s) const
{
    if (s.isEmpty() || m_pos > length())
        return -1;
    return m_text.indexOf(s, m_pos);
}

int QtTextParse::indexOf(QChar ch) const
{
    if (m_pos >= length())
        return -1;
    return m_text.indexOf(ch, m_pos);
}

bool QtTextParse::find(const QString &s, bool forward, bool caseSensitive)
{
    if (s.isEmpty())
        return false;
    int found = -1;
    if (forward) {
        if (m_pos <= length())
            found = m_text.indexOf(s, m_pos, sensitivity(caseSensitive));
    } else {
        // lastIndexOf finds nothing from an index past the last character, and no occurrence
        // can start at the end anyway: search from the last character instead.
        found = m_text.lastIndexOf(s, qMin(m_pos, length() - 1), sensitivity(caseSensitive));
    }
    if (found < 0)
        return false;
    m_pos = found;
    return true;
}

bool QtTextParse::skipPast(const QString &s, bool forward, bool caseSensitive)
{
    if (!find(s, forward, caseSensitive))
        return false;
    while (isAt(s, caseSensitive) && !atEnd()) {
        if (forward) {
            advance(s.length());
        } else {
            // A copy at the very start cannot be stepped back over; stop rather than loop.
            if (atStart())
                break;
            retreat(s.length());
        }
    }
    return true;
}

void QtTextParse::skipTo(QChar ch, bool forward)
{
    if (forward) {
        while (!atEnd() && !isChar(ch))
            next();
    } else {
        while (!atStart() && !isChar(ch))
            prev();
    }
}

void QtTextParse::skipWhile(QChar ch, bool forward)
{
    if (forward) {
        while (!atEnd() && isChar(ch))
            next();
    } else {
        while (!atStart() && isChar(ch))
            prev();
    }
}

void QtTextParse::skipPastChar(QChar ch, bool forward)
{
    skipTo(ch, forward);
    skipWhile(ch, forward);
}

void QtTextParse::skipToOneOf(const QString &set, bool forward)
{
    if (forward) {
        while (!atEnd() && !currentIn(set))
            next();
    } else {
        while (!atStart() && !currentIn(set))
            prev();
    }
}

void QtTextParse::skipWhileOneOf(const QString &set, bool forward)
{
    if (forward) {
        while (!atEnd() && currentIn(set))
            next();
    } else {
        while (!atStart() && currentIn(set))
            prev();
    }
}

void QtTextParse::skipToSpace(bool forward)
{
    skipToOneOf(blanks(), forward);
}

void QtTextParse::skipSpaces(bool forward)
{
    skipWhileOneOf(blanks(), forward);
}

void QtTextParse::skipLower(bool forward)
{
    if (forward) {
        while (!atEnd() && currentChar().isLower())
            next();
    } else {
        while (!atStart() && currentChar().isLower())
            prev();
    }
}

void QtTextParse::skipUpper(bool forward)
{
    if (forward) {
        while (!atEnd() && currentChar().isUpper())
            next();
    } else {
        while (!atStart() && currentChar().isUpper())
            prev();
    }
}

QString QtTextParse::readUntilOneOf(const QString &set)
{
    const int start = m_pos;
    while (!atEnd() && !currentIn(set))
        next();
    return m_text.mid(start, m_pos - start);
}

QString QtTextParse::readUntilString(const QString &s, bool caseSensitive)
{
    const int start = m_pos;
    if (atEnd())
        return QString();
    // The first position at which isAt(s) holds is the first occurrence from the cursor.
    const int found = s.isEmpty() ? -1 : m_text.indexOf(s, m_pos, sensitivity(caseSensitive));
    m_pos = found < 0 ? length() : found;
    return m_text.mid(start, m_pos - start);
}

QString QtTextParse::readUntilStringAndSkip(const QString &s, bool caseSensitive)
{
    const QString read = readUntilString(s, caseSensitive);
    skipPast(s, true, false);
    return read;
}

QString QtTextParse::readUntil(QChar ch, bool include)
{
    const int start = m_pos;
    while (!atEnd() && !isChar(ch))
        next();
    if (include && !atEnd())
        next();
    return m_text.mid(start, m_pos - start);
}

QString QtTextParse::readUntilAndSkip(QChar ch, bool include)
{
    const QString read = readUntil(ch, include);
    skipWhile(ch, true);
    return read;
}

QString QtTextParse::readWhile(QChar ch)
{
    const int start = m_pos;
    while (!atEnd() && isChar(ch))
        next();
    return m_text.mid(start, m_pos - start);
}

QString QtTextParse::readWhileOneOf(const QString &set)
{
    const int start = m_pos;
    while (!atEnd() && currentIn(set))
        next();
    return m_text.mid(start, m_pos - start);
}

QString QtTextParse::readUntilOneOfAndSkip(const QString &set)
{
    const QString read = readUntilOneOf(set);
    skipWhileOneOf(set, true);
    return read;
}

QString QtTextParse::readToken()
{
    return readUntilOneOf(blanks());
}

QString QtTextParse::readSpaces()
{
    return readWhileOneOf(blanks());
}

QString QtTextParse::readToEnd()
{
    if (atEnd())
        return QString();
    const int start = m_pos;
    m_pos = length();
    return m_text.mid(start);
}

QString QtTextParse::tagContent(const QString &tag, const QString &endTag, bool keepTags)
{
    const QString open = QLatin1Char('<') + tag + QLatin1Char('>');
    const QString close =
        QLatin1String("</") + (endTag.isEmpty() ? tag : endTag) + QLatin1Char('>');
    if (!contains(open) || !contains(close))
        return QString();

    // Only a complete element from the cursor on is read; otherwise the cursor stays, so an
    // unclosed element or a call after the last element gives nothing rather than stray text.
    const int openAt = m_pos <= length() ? m_text.indexOf(open, m_pos, Qt::CaseInsensitive) : -1;
    if (openAt < 0 || m_text.indexOf(close, openAt + open.length(), Qt::CaseInsensitive) < 0)
        return QString();

    if (keepTags)
        find(open, true, false);
    else
        skipPast(open, true, false);
    skipSpaces(true);
    QString content = readUntilStringAndSkip(close, false);
    if (keepTags)
        content += close;
    decodeEntities(content);
    return content;
}

QString QtTextParse::tagAttribute(const QString &tag, const QString &attribute)
{
    const QString start = QLatin1Char('<') + tag;
    // As in tagContent: a tag or attribute only before the cursor must not lead to a read of
    // whatever text follows the cursor.
    if (!followsCursor(start))
        return QString();
    skipPast(start, true, false);
    return attributeValue(attribute);
}

QString QtTextParse::attributeValue(const QString &attribute)
{
    const QString key = attributeKey(attribute);
    if (!followsCursor(key))
        return QString();
    skipPast(key, true, false);
    skipSpaces(true);
    if (isChar('='))
        next();
    skipSpaces(true);
    if (isChar('"'))
        next();
    QString value = readUntilAndSkip(QLatin1Char('"'), false);
    decodeEntities(value);
    return value;
}

QString QtTextParse::title()
{
    skipPast(QStringLiteral("<title>"), true, false);
    return readUntilOneOf(QStringLiteral("<"));
}

bool QtTextParse::isLinkStart() const
{
    return isAt(QStringLiteral("<a href"), false);
}

bool QtTextParse::nextTag()
{
    skipTo(QLatin1Char('>'), true);
    skipTo(QLatin1Char('<'), true);
    return isChar('<');
}

bool QtTextParse::skipMarkup(bool skipBlanks)
{
    if (isChar('&')) {
        skipPastChar(QLatin1Char(';'), true);
        return true;
    }
    skipTo(QLatin1Char('<'), true);
    skipTo(QLatin1Char('>'), true);
    next();
    if (skipBlanks)
        skipWhileOneOf(QStringLiteral("\r\n \t"), true);
    return true;
}

void QtTextParse::skipTags(bool skipBlanks)
{
    do {
        skipMarkup(skipBlanks);
    } while (isChar('<'));
}

int QtTextParse::countChar(QChar ch)
{
    mark();
    int count = 0;
    while (!atEnd()) {
        if (isChar(ch))
            ++count;
        next();
    }
    restoreMark();
    return count;
}

int QtTextParse::wordCount()
{
    toStart();
    int count = 0;
    while (!atEnd()) {
        skipToSpace(true);
        skipSpaces(true);
        ++count;
    }
    toStart();
    return count;
}

double QtTextParse::parseFraction()
{
    if (!contains(QLatin1Char('/')))
        return 0.0;
    int whole = 0;
    if (contains(QLatin1Char(' ')) || contains(QLatin1Char('\t'))) {
        whole = readToken().toInt();
        skipSpaces(true);
    }
    const int numerator = readUntilOneOfAndSkip(QStringLiteral("/")).toInt();
    if (numerator == 0)
        return 0.0;
    const int denominator = readToEnd().toInt();
    if (denominator == 0)
        return 0.0;
    // Hundredths in integer steps, as the display has always shown them; the product is taken
    // in floating point so that a large numerator cannot overflow.
    return whole + double(100 / denominator) * numerator / 100.0;
}

void QtTextParse::toPlainText(QString &out)
{
    while (!atEnd()) {
        out += readUntil(QLatin1Char('<'), false);
        if (isChar('<'))
            skipTags(true);
    }
    out.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    out.replace(QLatin1String("&apos;"), QLatin1String("'"));
    out.replace(QLatin1String("&quot;"), QLatin1String("\""));
    out.replace(QLatin1String("&lt;"), QLatin1String("<"));
    out.replace(QLatin1String("&gt;"), QLatin1String(">"));
    out.replace(QLatin1String("&amp;"), QLatin1String("&"));
}

QString QtTextParse::plainTextLine() const
{
    static const struct
    {
        QLatin1String entity;
        QChar replacement;
    } entities[] = {
        {QLatin1String("&amp;"), QLatin1Char('&')},  {QLatin1String("&quot;"), QLatin1Char('"')},
        {QLatin1String("&lt;"), QLatin1Char('<')},   {QLatin1String("&gt;"), QLatin1Char('>')},
        {QLatin1String("&nbsp;"), QLatin1Char(' ')}, {QLatin1String("&apos;"), QLatin1Char('\'')},
    };

    QString out;
    out.reserve(length());
    const QStringView text(m_text);
    int i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('<')) {
            if (text.mid(i).startsWith(QLatin1String("<br"), Qt::CaseInsensitive))
                out += QLatin1Char('\n');
            const int close = m_text.indexOf(QLatin1Char('>'), i);
            i = close < 0 ? text.size() : close + 1;
            continue;
        }
        if (c == QLatin1Char('&')) {
            bool decoded = false;
            for (const auto &e : entities) {
                if (text.mid(i).startsWith(e.entity)) {
                    out += e.replacement;
                    i += e.entity.size();
                    decoded = true;
                    break;
                }
            }
            if (decoded)
                continue;
        }
        out += c;
        ++i;
    }
    return out;
}

QString QtTextParse::linkTarget()
{
    if (!isAt(QStringLiteral("href="), false))
        return QString();
    skipTo(QLatin1Char('='), true);
    skipWhileOneOf(QStringLiteral("'=\""), true);
    const QString target = readUntilOneOf(QStringLiteral(">'\""));
    skipWhileOneOf(QStringLiteral("'>\""), true);
    if (!isChar('>'))
        skipPastChar(QLatin1Char('>'), true);
    return target;
}

QString QtTextParse::decodedText() const
{
    return decodedEntities(m_text);
}

void QtTextParse::decodeEntities(QString &text)
{
    // "&amp;" goes first, so "&amp;lt;" ends as "<": pages that escape twice still read well.
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    text.replace(QLatin1String("&apos;"), QLatin1String("'"));
}

QString QtTextParse::decodedEntities(const QString &text)
{
    QString decoded = text;
    decodeEntities(decoded);
    return decoded;
}

void QtTextParse::encodeEntitiesNoBreaks(QString &text)
{
    // "&" first, so the entities written by the later passes are not encoded again.
    text.replace(QLatin1String("&"), QLatin1String("&amp;"));
    text.replace(QLatin1String("\""), QLatin1String("&quot;"));
    text.replace(QLatin1String("<"), QLatin1String("&lt;"));
    text.replace(QLatin1String(">"), QLatin1String("&gt;"));
    text.replace(QLatin1String("'"), QLatin1String("&apos;"));
}

void QtTextParse::encodeEntities(QString &text)
{
    encodeEntitiesNoBreaks(text);
    text.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    text.replace(QLatin1String("\n"), QLatin1String("<br>"));
}

QString QtTextParse::encodedEntities(const QString &text)
{
    QString encoded = text;
    encodeEntities(encoded);
    return encoded;
}

void QtTextParse::toFileName(QString &text)
{
    text.remove(QLatin1Char('\n'));
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\t'));
    for (const char c : {'<', '>', ':', '"', '/', '\\', '|', '?', '*', '%'})
        text.replace(QLatin1Char(c), QLatin1Char('-'));
}

void QtTextParse::withTrailingSlash(QString &text)
{
    if (!text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
}

QString QtTextParse::percentDecoded(const QString &text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

QString QtTextParse::percentEncoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, QByteArray(), QByteArray()));
}

int QtTextParse::compare(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseSensitive);
}

} // namespace QT_EXT
