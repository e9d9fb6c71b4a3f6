#include "json.h"

#include <QHash>
#include <QMap>
#include <QStringList>
#include <QtMath>

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

    static bool isBlank(QChar c)
    {
        const ushort u = c.unicode();
        return u == ' ' || u == '\t' || u == '\n' || u == '\r';
    }
    static bool isNumberChar(QChar c)
    {
        const ushort u = c.unicode();
        return (u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.' || u == 'e' || u == 'E';
    }
    static int hexValue(QChar c)
    {
        const ushort u = c.unicode();
        if (u >= '0' && u <= '9')
            return u - '0';
        if (u >= 'a' && u <= 'f')
            return u - 'a' + 10;
        if (u >= 'A' && u <= 'F')
            return u - 'A' + 10;
        return -1;
    }

    void skipBlanks()
    {
        while (m_pos < m_size && isBlank(m_data[m_pos]))
            ++m_pos;
    }
    bool remainsWord(QLatin1String word) const
    {
        if (m_size - m_pos < word.size())
            return false;
        for (int i = 0; i < word.size(); ++i) {
            if (m_data[m_pos + i] != QLatin1Char(word.at(i)))
                return false;
        }
        return true;
    }

    Token takeToken();
    Token peekToken()
    {
        const int saved = m_pos;
        const Token token = takeToken();
        m_pos = saved;
        return token;
    }
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
};

JsonReader::Token JsonReader::takeToken()
{
    skipBlanks();
    if (m_pos >= m_size)
        return None;
    const ushort c = m_data[m_pos++].unicode();
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
        if (c >= '0' && c <= '9')
            return Number;
        break;
    }
    --m_pos;
    // The literal words need no delimiter after them.
    if (remainsWord(QLatin1String("true"))) {
        m_pos += 4;
        return True;
    }
    if (remainsWord(QLatin1String("false"))) {
        m_pos += 5;
        return False;
    }
    if (remainsWord(QLatin1String("null"))) {
        m_pos += 4;
        return Null;
    }
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
        const QVariant value = token == ObjectOpen ? readObject() : readArray();
        --m_depth;
        return value;
    }
    case String:
        return readString();
    case Number:
        return readNumber();
    case True:
        takeToken();
        return true;
    case False:
        takeToken();
        return false;
    case Null:
        takeToken();
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
    takeToken();
    QVariantMap map;
    for (;;) {
        switch (peekToken()) {
        case None:
            fail();
            return QVariantMap();
        case Comma:
            takeToken();
            continue;
        case ObjectClose:
            takeToken();
            return map;
        default:
            break;
        }
        // The key's first character is stepped over unseen: it is normally the quote.
        const QVariant key = readString();
        if (!m_success)
            return QVariantMap();
        if (takeToken() != Colon) {
            fail();
            return QVariantMap();
        }
        const QVariant value = readValue();
        if (!m_success)
            return QVariantMap();
        map.insert(key.toString(), value);
    }
}

QVariant JsonReader::readArray()
{
    takeToken();
    QVariantList list;
    for (;;) {
        switch (peekToken()) {
        case None:
            fail();
            return QVariantList();
        case Comma:
            takeToken();
            continue;
        case ArrayClose:
            takeToken();
            return list;
        default:
            break;
        }
        const QVariant value = readValue();
        if (!m_success)
            return QVariantList();
        list.append(value);
    }
}

QVariant JsonReader::readString()
{
    skipBlanks();
    if (m_pos < m_size)
        ++m_pos;
    // Most strings hold no escape: take them in one piece.
    int end = m_pos;
    while (end < m_size && m_data[end] != QLatin1Char('"') && m_data[end] != QLatin1Char('\\'))
        ++end;
    if (end < m_size && m_data[end] == QLatin1Char('"')) {
        const QString plain(m_data + m_pos, end - m_pos); // "" gives an empty, non-null string
        m_pos = end + 1;
        return plain;
    }

    // Escapes are decoded into a buffer kept across strings; the result is one exact copy.
    QString &text = m_buffer;
    text.resize(0);
    for (;;) {
        const int runStart = m_pos;
        while (m_pos < m_size && m_data[m_pos] != QLatin1Char('"') &&
               m_data[m_pos] != QLatin1Char('\\'))
            ++m_pos;
        text.append(m_data + runStart, m_pos - runStart);
        if (m_pos >= m_size)
            break;
        if (m_data[m_pos++] == QLatin1Char('"'))
            return QString(text.constData(), text.size());
        if (m_pos >= m_size)
            break;
        const ushort escape = m_data[m_pos++].unicode();
        switch (escape) {
        case '"':
        case '\\':
        case '/':
            text += QChar(escape);
            break;
        case 'b':
            text += QChar(0x08);
            break;
        case 'f':
            text += QChar(0x0C);
            break;
        case 'n':
            text += QChar(0x0A);
            break;
        case 'r':
            text += QChar(0x0D);
            break;
        case 't':
            text += QChar(0x09);
            break;
        case 'u': {
            if (m_size - m_pos < 4) {
                m_pos = m_size;
                fail();
                return QVariant();
            }
            ushort unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = hexValue(m_data[m_pos + i]);
                if (digit < 0) {
                    unit = 0; // an unreadable number gives U+0000
                    break;
                }
                unit = ushort(unit * 16 + digit);
            }
            m_pos += 4;
            text += QChar(unit);
            break;
        }
        default:
            break; // an unknown escape is dropped together with its backslash
        }
    }
    fail(); // the text ended inside the string
    return QVariant();
}

// Numbers stay text, exactly as written; their form is not checked.
QVariant JsonReader::readNumber()
{
    skipBlanks();
    const int start = m_pos;
    while (m_pos < m_size && isNumberChar(m_data[m_pos]))
        ++m_pos;
    return QString(m_data + start, m_pos - start);
}

bool isWritable(const QVariant &data)
{
    if (!data.isValid() || data.isNull())
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

void appendString(QString &out, const QString &text)
{
    out += QLatin1Char('"');
    out += escapeJsonString(text);
    out += QLatin1Char('"');
}

// Appends nothing for a type the writer does not handle, so its place in a container stays
// empty.
void appendJson(QString &out, const QVariant &data)
{
    if (!data.isValid() || data.isNull()) {
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
    const QVariant value = reader.readValue();
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
    auto needsEscape = [](QChar c) {
        switch (c.unicode()) {
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
    };
    int first = 0;
    while (first < text.size() && !needsEscape(text.at(first)))
        ++first;
    if (first == text.size())
        return text;

    // One pass gives what successive replace-all passes would, backslash first: no inserted
    // text contains a character that a later pass replaces.
    QString out = text.left(first);
    out.reserve(text.size() + 16);
    for (int i = first; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!needsEscape(c)) {
            out += c;
            continue;
        }
        static const char hex[] = "0123456789ABCDEF";
        const ushort u = c.unicode();
        out += QLatin1String("\\u00");
        out += QLatin1Char(hex[(u >> 4) & 0xF]);
        out += QLatin1Char(hex[u & 0xF]);
    }
    return out;
}

} // namespace QT_EXT
