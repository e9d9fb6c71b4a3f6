#include "json.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QStringList>
#include <QtMath>
#include <cstring>

namespace QT_EXT {

namespace {

// Deeper nesting is refused as a failure rather than risking the stack on hostile input.
constexpr int MaxDepth = 1024;

class JsonReader
{
public:
    explicit JsonReader(const QString &json) : m_data(json.constData()), m_size(json.size()) {}

    QVariant readValue();
    bool success() const { return m_success; }

private:
    enum Token
    {
        None = 0,
        ObjectOpen = 1,
        ObjectClose = 2,
        ArrayOpen = 3,
        ArrayClose = 4,
        Colon = 5,
        Comma = 6,
        String = 7,
        Number = 8,
        True = 9,
        False = 10,
        Null = 11
    };

    static bool isBlank(ushort u) { return u == ' ' || u == '\t' || u == '\n' || u == '\r'; }
    static bool isNumberChar(ushort u)
    {
        return (u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.' || u == 'e' || u == 'E';
    }
    static int hexValue(ushort u)
    {
        if (u >= '0' && u <= '9')
            return u - '0';
        if (u >= 'a' && u <= 'f')
            return u - 'a' + 10;
        if (u >= 'A' && u <= 'F')
            return u - 'A' + 10;
        return -1;
    }

    ushort at(int i) const { return m_data[i].unicode(); }
    void skipBlanks()
    {
        while (m_pos < m_size && isBlank(at(m_pos)))
            ++m_pos;
    }
    bool remainsWord(QLatin1String word) const
    {
        if (m_size - m_pos < word.size())
            return false;
        for (int i = 0; i < word.size(); ++i) {
            if (at(m_pos + i) != word.at(i).unicode())
                return false;
        }
        return true;
    }

    // Steps over blanks, which every reader skips first anyway, and names the token that
    // follows without taking it; takeToken() then steps over a punctuation mark or literal word.
    Token peekToken();
    void takeToken(Token token)
    {
        m_pos += token == True || token == Null ? 4 : token == False ? 5 : 1;
    }

    int findQuoteOrBackslash(int from) const;
    bool readStringText(const QChar *&text, int &size);
    const QString &readKey();
    QVariant readObject();
    QVariant readArray();
    QVariant readString();
    QVariant readNumber();
    void fail() { m_success = false; }

    const QChar *m_data;
    int m_size;
    int m_pos = 0;
    int m_depth = 0;
    bool m_success = true;
    QString m_buffer;
    // Lists of records repeat the same few keys: each is allocated once per reading and shared
    // by every map that holds it.
    static constexpr int KeySlots = 32;
    QString m_keys[KeySlots];
};

JsonReader::Token JsonReader::peekToken()
{
    skipBlanks();
    if (m_pos >= m_size)
        return None;
    const ushort c = at(m_pos);
    switch (c) {
    case '{':
        return ObjectOpen;
    case '}':
        return ObjectClose;
    case '[':
        return ArrayOpen;
    case ']':
        return ArrayClose;
    case ',':
        return Comma;
    case '"':
        return String;
    case ':':
        return Colon;
    case '-':
        return Number;
    default:
        break;
    }
    if (c >= '0' && c <= '9')
        return Number;
    // The literal words need no delimiter after them.
    if (remainsWord(QLatin1String("true")))
        return True;
    if (remainsWord(QLatin1String("false")))
        return False;
    if (remainsWord(QLatin1String("null")))
        return Null;
    return None;
}

QVariant JsonReader::readValue()
{
    const Token token = peekToken();
    switch (token) {
    case ObjectOpen:
    case ArrayOpen: {
        if (m_depth >= MaxDepth) {
            fail();
            return QVariant();
        }
        ++m_depth;
        QVariant value = token == ObjectOpen ? readObject() : readArray();
        --m_depth;
        return value;
    }
    case String:
        return readString();
    case Number:
        return readNumber();
    case True:
    case False:
        takeToken(token);
        return token == True;
    case Null:
        takeToken(token);
        return QVariant();
    default:
        fail();
        return QVariant();
    }
}

// Commas are skipped wherever they stand, so missing, doubled, leading and trailing commas are
// all accepted. A failure anywhere inside discards the partial contents.
QVariant JsonReader::readObject()
{
    takeToken(ObjectOpen);
    QVariantMap map;
    for (;;) {
        const Token token = peekToken();
        switch (token) {
        case None:
            fail();
            return QVariantMap();
        case Comma:
            takeToken(token);
            continue;
        case ObjectClose:
            takeToken(token);
            return map;
        default:
            break;
        }
        // The key's first character is stepped over unseen: it is normally the quote.
        const QString &key = readKey();
        if (!m_success)
            return QVariantMap();
        if (peekToken() != Colon) {
            fail();
            return QVariantMap();
        }
        takeToken(Colon);
        // The value is moved into its place; a failure discards the map anyway.
        QVariant &value = *map.insert(key, QVariant());
        value = readValue();
        if (!m_success)
            return QVariantMap();
    }
}

QVariant JsonReader::readArray()
{
    takeToken(ArrayOpen);
    QVariantList list;
    for (;;) {
        const Token token = peekToken();
        switch (token) {
        case None:
            fail();
            return QVariantList();
        case Comma:
            takeToken(token);
            continue;
        case ArrayClose:
            takeToken(token);
            return list;
        default:
            break;
        }
        list.append(QVariant());
        list.last() = readValue();
        if (!m_success)
            return QVariantList();
    }
}

// Index of the first quote or backslash at or after `from`, or the size.
int JsonReader::findQuoteOrBackslash(int from) const
{
    // Four UTF-16 units at a time: a unit equal to the sought one leaves a zero lane after the
    // exclusive or, which the borrow test below detects without false alarms.
    constexpr quint64 Ones = 0x0001000100010001ULL;
    constexpr quint64 Highs = 0x8000800080008000ULL;
    constexpr quint64 Quotes = Ones * '"';
    constexpr quint64 Backslashes = Ones * '\\';
    int i = from;
    for (; m_size - i >= 4; i += 4) {
        quint64 units;
        std::memcpy(&units, m_data + i, sizeof(units));
        const quint64 q = units ^ Quotes;
        const quint64 b = units ^ Backslashes;
        if (((q - Ones) & ~q & Highs) | ((b - Ones) & ~b & Highs))
            break;
    }
    for (; i < m_size; ++i) {
        const ushort u = at(i);
        if (u == '"' || u == '\\')
            return i;
    }
    return m_size;
}

// Reads a string from the character after the one at the cursor, which is stepped over unseen:
// it is normally the opening quote. The text lies in the input when it holds no escape,
// otherwise in a buffer kept across strings; it stays valid until the next string is read.
bool JsonReader::readStringText(const QChar *&text, int &size)
{
    skipBlanks();
    if (m_pos < m_size)
        ++m_pos;
    int end = findQuoteOrBackslash(m_pos);
    if (end < m_size && at(end) == '"') {
        text = m_data + m_pos;
        size = end - m_pos;
        m_pos = end + 1;
        return true;
    }

    m_buffer.resize(0);
    for (;;) {
        m_buffer.append(m_data + m_pos, end - m_pos);
        m_pos = end;
        if (m_pos >= m_size)
            break;
        if (at(m_pos++) == '"') {
            text = m_buffer.constData();
            size = m_buffer.size();
            return true;
        }
        if (m_pos >= m_size)
            break;
        const ushort escape = at(m_pos++);
        switch (escape) {
        case '"':
        case '\\':
        case '/':
            m_buffer += QChar(escape);
            break;
        case 'b':
            m_buffer += QChar(0x08);
            break;
        case 'f':
            m_buffer += QChar(0x0C);
            break;
        case 'n':
            m_buffer += QChar(0x0A);
            break;
        case 'r':
            m_buffer += QChar(0x0D);
            break;
        case 't':
            m_buffer += QChar(0x09);
            break;
        case 'u': {
            if (m_size - m_pos < 4) {
                m_pos = m_size;
                return false;
            }
            ushort unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = hexValue(at(m_pos + i));
                if (digit < 0) {
                    unit = 0; // an unreadable number gives U+0000
                    break;
                }
                unit = ushort(unit * 16 + digit);
            }
            m_pos += 4;
            m_buffer += QChar(unit);
            break;
        }
        default:
            break; // an unknown escape is dropped together with its backslash
        }
        end = findQuoteOrBackslash(m_pos);
    }
    return false; // the text ended inside the string
}

const QString &JsonReader::readKey()
{
    const QChar *text = nullptr;
    int size = 0;
    if (!readStringText(text, size)) {
        fail();
        return m_keys[0];
    }
    const uint slot = (uint(size) * 31 + (size > 0 ? text[0].unicode() * 7u : 0u) +
                       (size > 0 ? text[size - 1].unicode() : 0u)) %
                      KeySlots;
    QString &key = m_keys[slot];
    if (key.isNull() || key.size() != size ||
        std::memcmp(key.constData(), text, size_t(size) * sizeof(QChar)) != 0)
        key = QString(text, size); // "" gives an empty, non-null string
    return key;
}

QVariant JsonReader::readString()
{
    const QChar *text = nullptr;
    int size = 0;
    if (!readStringText(text, size)) {
        fail();
        return QVariant();
    }
    return QString(text, size); // "" gives an empty, non-null string
}

// Numbers stay text, exactly as written; their form is not checked.
QVariant JsonReader::readNumber()
{
    skipBlanks();
    const int start = m_pos;
    while (m_pos < m_size && isNumberChar(at(m_pos)))
        ++m_pos;
    return QString(m_data + start, m_pos - start);
}

// Written as null: no value, or a value that is null by its own type's isNull(), a null string
// above all. QVariant::isNull() asks the value no more, so the types that have an isNull() are
// asked here.
bool isNullValue(const QVariant &data)
{
    if (!data.isValid() || data.isNull())
        return true;
    switch (data.userType()) {
    case QMetaType::QString:
        return data.toString().isNull();
    case QMetaType::QByteArray:
        return data.toByteArray().isNull();
    case QMetaType::QChar:
        return data.toChar().isNull();
    case QMetaType::QDate:
        return data.toDate().isNull();
    case QMetaType::QTime:
        return data.toTime().isNull();
    case QMetaType::QDateTime:
        return data.toDateTime().isNull();
    default:
        return false;
    }
}

bool isWritable(const QVariant &data)
{
    if (isNullValue(data))
        return true;
    switch (data.userType()) {
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return true;
    default:
        return false;
    }
}

// The characters escapeJsonString() escapes: those that could end or break a quoted string.
bool isQuoteSpecial(ushort u)
{
    switch (u) {
    case '\\':
    case '\'':
    case '"':
    case 0x08:
    case 0x0C:
    case 0x0A:
    case 0x0D:
    case 0x09:
        return true;
    default:
        return false;
    }
}

// What toJson() escapes: on top, every other control character, which strict readers refuse
// raw, and the two Unicode line separators, which end a script string.
bool isJsonSpecial(ushort u)
{
    return u < 0x20 || u == 0x2028 || u == 0x2029 || isQuoteSpecial(u);
}

// Every escape is a \u escape with upper-case hex digits, never a short form such as \n.
template <typename Special>
void appendEscaped(QString &out, const QChar *text, int size, Special isSpecial)
{
    static const char hex[] = "0123456789ABCDEF";
    int runStart = 0;
    for (int i = 0; i < size; ++i) {
        const ushort u = text[i].unicode();
        if (!isSpecial(u))
            continue;
        out.append(text + runStart, i - runStart);
        runStart = i + 1;
        const QChar escape[] = {QLatin1Char('\\'),
                                QLatin1Char('u'),
                                QLatin1Char(hex[u >> 12]),
                                QLatin1Char(hex[(u >> 8) & 0xF]),
                                QLatin1Char(hex[(u >> 4) & 0xF]),
                                QLatin1Char(hex[u & 0xF])};
        out.append(escape, 6);
    }
    out.append(text + runStart, size - runStart);
}

void appendString(QString &out, const QString &text)
{
    out += QLatin1Char('"');
    appendEscaped(out, text.constData(), text.size(), isJsonSpecial);
    out += QLatin1Char('"');
}

// Appends nothing for a type the writer does not handle, so its place in a container stays
// empty.
void appendJson(QString &out, const QVariant &data)
{
    if (isNullValue(data)) {
        out += QLatin1String("null");
        return;
    }
    switch (data.userType()) {
    case QMetaType::QString:
        appendString(out, data.toString());
        return;
    case QMetaType::Bool:
        out += data.toBool() ? QLatin1String("true") : QLatin1String("false");
        return;
    case QMetaType::Int:
        out += QString::number(data.toInt());
        return;
    case QMetaType::Double: {
        const double value = data.toDouble();
        // JSON has no form for infinities or NaN.
        out += qIsFinite(value) ? QString::number(value, 'g', 6) : QStringLiteral("null");
        return;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        // Keys are escaped like every other string, so a crafted key cannot end the string.
        out += QLatin1Char('{');
        bool first = true;
        auto writeEntry = [&](const QString &key, const QVariant &value) {
            if (!first)
                out += QLatin1Char(',');
            first = false;
            appendString(out, key);
            out += QLatin1Char(':');
            appendJson(out, value);
        };
        if (data.userType() == QMetaType::QVariantMap) {
            const QVariantMap map = data.toMap();
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                writeEntry(it.key(), it.value());
        } else {
            const QVariantHash hash = data.toHash();
            for (auto it = hash.cbegin(); it != hash.cend(); ++it)
                writeEntry(it.key(), it.value());
        }
        out += QLatin1Char('}');
        return;
    }
    case QMetaType::QStringList: {
        out += QLatin1Char('[');
        const QStringList list = data.toStringList();
        for (int i = 0; i < list.size(); ++i) {
            if (i > 0)
                out += QLatin1Char(',');
            appendString(out, list.at(i));
        }
        out += QLatin1Char(']');
        return;
    }
    case QMetaType::QVariantList: {
        out += QLatin1Char('[');
        const QVariantList list = data.toList();
        for (int i = 0; i < list.size(); ++i) {
            if (i > 0)
                out += QLatin1Char(',');
            appendJson(out, list.at(i));
        }
        out += QLatin1Char(']');
        return;
    }
    default:
        return;
    }
}

} // namespace

QVariant parseJson(const QString &json, bool &success)
{
    success = true;
    if (json.isNull())
        return QVariant();
    JsonReader reader(json);
    QVariant value = reader.readValue();
    success = reader.success();
    return value;
}

QVariant parseJson(const QString &json)
{
    bool success = true;
    return parseJson(json, success);
}

QString toJson(const QVariant &data)
{
    if (!isWritable(data))
        return QString();
    QString out;
    appendJson(out, data);
    return out;
}

QString escapeJsonString(const QString &text)
{
    int first = 0;
    while (first < text.size() && !isQuoteSpecial(text.at(first).unicode()))
        ++first;
    if (first == text.size())
        return text;

    // One pass gives what successive replace-all passes would, backslash first: no inserted
    // text contains a character that a later pass replaces.
    QString out;
    out.reserve(text.size() + 16);
    out.append(text.constData(), first);
    appendEscaped(out, text.constData() + first, text.size() - first, isQuoteSpecial);
    return out;
}

} // namespace QT_EXT
