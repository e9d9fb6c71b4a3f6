// libFuzzer target: the file name that a Content-Disposition value gives an attachment.
//
// Each input is used twice. As a raw value it may be anything, and the name must still be one
// that can be saved in a folder: no blank, double quote or path separator, never "." or "..".
// As a recipe it builds a value from the header's grammar (RFC 6266, with RFC 5987 for
// filename*): a disposition type, then parameters with optional blanks around ";" and "=",
// each value a token, a quoted string or an extended value. The name each parameter carries is
// known from how it was built, so the expected result comes from that, not from the reader's
// steps. The grammar-built values leave out what the reader does not follow: quoted-pair
// escapes and ";" inside quoted strings, and parameter names that merely start with "filename".
#include "contentdisposition.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const QByteArray *currentValue = nullptr;

void check(bool condition, const char *what, const QString &expected = QString(),
           const QString &actual = QString())
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_disposition: %s\nvalue: %s\nexpected: %s\nactual: %s\n", what,
                 currentValue ? currentValue->toPercentEncoding().constData() : "",
                 expected.toUtf8().toPercentEncoding().constData(),
                 actual.toUtf8().toPercentEncoding().constData());
    std::abort();
}

template <typename T, size_t N> const T &pick(FuzzedDataProvider &data, const T (&table)[N])
{
    return table[data.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

QByteArray blanks(FuzzedDataProvider &data)
{
    return QByteArray(data.ConsumeIntegralInRange(0, 2), ' ');
}

// token = 1*<any CHAR except CTLs or separators>
QByteArray token(FuzzedDataProvider &data)
{
    static const char alphabet[] = "!#$%&'*+-.^_`|~0123456789"
                                   "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QByteArray text;
    const int length = data.ConsumeIntegralInRange(1, 12);
    for (int i = 0; i < length; ++i)
        text += alphabet[data.ConsumeIntegralInRange<size_t>(0, sizeof alphabet - 2)];
    return text;
}

// The text of a quoted string: any octet but controls (a tab is allowed), without the double
// quote, the backslash of a quoted pair and ";".
QByteArray quotedText(FuzzedDataProvider &data)
{
    QByteArray text;
    const int length = data.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < length; ++i) {
        const auto octet = data.ConsumeIntegral<uint8_t>();
        const bool control = (octet < 0x20 && octet != '\t') || octet == 0x7f;
        if (control || octet == '"' || octet == '\\' || octet == ';')
            text += '/'; // the path separator is the character most worth having in a name
        else
            text += char(octet);
    }
    return text;
}

bool isAttrChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string("!#$&+-.^_`|~").find(c) != std::string::npos;
}

// ext-value = charset "'" [ language ] "'" value-chars; sets the name it carries, or an empty
// one where it does not decode (a charset other than UTF-8 or ISO-8859-1, a broken escape,
// bytes that are not UTF-8, a character that must have been escaped).
QByteArray extendedValue(FuzzedDataProvider &data, QString &carried)
{
    struct Charset
    {
        const char *name;
        bool utf8;
        bool known;
    };
    static const Charset charsets[] = {{"UTF-8", true, true},       {"utf-8", true, true},
                                       {"ISO-8859-1", false, true}, {"iso-8859-1", false, true},
                                       {"UTF-16", false, false},    {"us-ascii", false, false}};
    static const char *const languages[] = {"", "en", "de-DE"};
    const Charset &charset = pick(data, charsets);

    QString text;
    const int length = data.ConsumeIntegralInRange(0, 10);
    for (int i = 0; i < length; ++i) {
        char32_t code = data.ConsumeBool() ? data.ConsumeIntegralInRange<char32_t>(0x20, 0x7e)
                                           : data.ConsumeIntegral<char32_t>() % 0x110000;
        if (!charset.utf8)
            code &= 0xff;
        if (code >= 0xd800 && code <= 0xdfff)
            code = 0xfffd;
        text += QString::fromUcs4(&code, 1);
    }
    const QByteArray bytes = charset.utf8 ? text.toUtf8() : text.toLatin1();

    QByteArray value = QByteArray(charset.name) + '\'' + pick(data, languages) + '\'';
    static const char hex[] = "0123456789ABCDEF";
    for (const char byte : bytes) {
        if (isAttrChar(byte) && data.ConsumeBool()) {
            value += byte;
        } else {
            const QByteArray escape = QByteArray("%") + hex[uchar(byte) >> 4] + hex[byte & 0xf];
            value += data.ConsumeBool() ? escape : escape.toLower();
        }
    }
    bool decodes = charset.known;
    switch (data.ConsumeIntegralInRange(0, 7)) {
    case 0:
        value += "%4"; // an escape cut short
        decodes = false;
        break;
    case 1:
        value += "%G0";
        decodes = false;
        break;
    case 2:
        value += "(";
        decodes = false;
        break;
    case 3:
        value += "%FF"; // never part of UTF-8; a y with diaeresis in ISO-8859-1
        text += QChar(0xff);
        decodes = decodes && !charset.utf8;
        break;
    default:
        break;
    }
    carried = decodes ? text : QString();
    return value;
}

// The name a receiver may save: the program removes blanks and double quotes from any name, and
// keeps only its last path component; "." and ".." name no file.
QString savedName(QString name)
{
    name.remove(QLatin1Char(' '));
    name.remove(QLatin1Char('"'));
    const auto slash = name.lastIndexOf(QLatin1Char('/'));
    const auto backslash = name.lastIndexOf(QLatin1Char('\\'));
    name = name.mid(qMax(slash, backslash) + 1);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

void checkSavable(const QByteArray &value)
{
    QString fileName = QStringLiteral("left over");
    const bool attachment = QT_EXT::attachmentFileName(value, fileName);
    if (!attachment)
        check(fileName.isEmpty(), "a value that is no attachment gave a file name");
    check(!fileName.contains(QLatin1Char(' ')) && !fileName.contains(QLatin1Char('"')),
          "the file name holds a blank or a double quote", QString(), fileName);
    check(!fileName.contains(QLatin1Char('/')) && !fileName.contains(QLatin1Char('\\')),
          "the file name holds a path separator", QString(), fileName);
    check(fileName != QLatin1String(".") && fileName != QLatin1String(".."),
          "the file name names a folder", QString(), fileName);
}

void checkGrammarValue(FuzzedDataProvider &data)
{
    // The program's rule for the type is case-sensitive.
    struct Type
    {
        const char *name;
        bool attachment;
    };
    static const Type types[] = {
        {"attachment", true}, {"inline", false}, {"form-data", false}, {"Attachment", false}};
    static const char *const otherNames[] = {"size", "creation-date", "name", "file", "handling"};
    const Type &type = pick(data, types);

    QByteArray value = blanks(data) + type.name;
    bool named = false; // the first filename or filename* parameter names the file
    QString expected;
    const int parameters = data.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < parameters; ++i) {
        value += blanks(data) + ';' + blanks(data);
        QByteArray name;
        QByteArray text;
        QString carried;
        switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0:
            name = pick(data, otherNames);
            text = data.ConsumeBool() ? token(data) : '"' + quotedText(data) + '"';
            break;
        case 1:
            name = "filename";
            text = token(data);
            carried = QString::fromLatin1(text);
            break;
        case 2: {
            name = "filename";
            const QByteArray quoted = quotedText(data);
            text = '"' + quoted + '"';
            carried = QString::fromLatin1(quoted);
            break;
        }
        default:
            name = "filename*";
            text = extendedValue(data, carried);
            break;
        }
        value += name + blanks(data) + '=' + blanks(data) + text;
        if (!named && name.startsWith("filename")) {
            named = true;
            expected = carried;
        }
    }
    value += blanks(data);
    currentValue = &value;

    QString fileName = QStringLiteral("left over");
    check(QT_EXT::attachmentFileName(value, fileName) == type.attachment,
          "attachment or not, against the disposition type");
    expected = type.attachment ? savedName(expected) : QString();
    check(fileName == expected, "not the name the value carries", expected, fileName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray value(reinterpret_cast<const char *>(data), int(size));
    currentValue = &value;
    checkSavable(value);

    FuzzedDataProvider recipe(data, size);
    checkGrammarValue(recipe);
    currentValue = nullptr;
    return 0;
}
