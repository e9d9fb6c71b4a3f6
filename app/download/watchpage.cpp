#include "watchpage.h"

#include "webaddress.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Backslash followed by any character gives the character; a lone backslash at the end stays.
QString decodeBackslashEscapes(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 1 < text.size())
            ++i;
        out += text.at(i);
    }
    return out;
}

QString decodePercentEscapes(QString text)
{
    // The order matters: "%25" comes before "%26", so a doubly escaped ampersand ends as "&",
    // and "%3D" is replaced once more after that.
    static const char *const replacements[][2] = {
        {"%3A", ":"}, {"%2F", "/"}, {"%3F", "?"}, {"%3D", "="},
        {"%25", "%"}, {"%26", "&"}, {"%3D", "="},
    };
    for (const auto &pair : replacements)
        text.replace(QLatin1String(pair[0]), QLatin1String(pair[1]), Qt::CaseInsensitive);
    return text;
}

// The address without a trailing "&itag=" and its digits.
QString withoutTrailingItag(QString url)
{
    int digits = url.size();
    while (digits > 0 && isAsciiDigit(url.at(digits - 1)))
        --digits;
    const QLatin1String key("&itag=");
    if (digits < url.size() && digits >= key.size() &&
        QStringView(url).mid(digits - key.size(), key.size()) == key) {
        url.truncate(digits - key.size());
    }
    return url;
}

} // namespace

QString decodeDecimalUnicodeEscapes(const QString &text)
{
    // Replacing an escape can complete another one ("\u005c" is a backslash), and the text is
    // to be rescanned until no escape is left. Escapes never overlap, so the result does not
    // depend on the order of replacement: one pass that reduces the end of the output after
    // every character reaches the same text in linear time.
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        out += c;
        while (out.size() >= 6) {
            const int start = out.size() - 6;
            if (out.at(start) != QLatin1Char('\\') || out.at(start + 1) != QLatin1Char('u'))
                break;
            ushort code = 0;
            bool escape = true;
            for (int i = start + 2; i < out.size() && escape; ++i) {
                escape = isAsciiDigit(out.at(i));
                code = ushort(code * 16 + (out.at(i).unicode() - '0'));
            }
            if (!escape)
                break;
            out.truncate(start);
            out += QChar(code);
        }
    }
    return out;
}

QString watchPageStreamMap(const QString &page)
{
    // \s as in the site's script data may be any white space, not only ASCII.
    static const QRegularExpression mapExpression(
        QStringLiteral("\"url_encoded_fmt_stream_map\"\\s*:\\s*\"([^\"]*)"),
        QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = mapExpression.match(page);
    if (!match.hasMatch())
        return QString();
    QString map = decodeDecimalUnicodeEscapes(match.captured(1));
    map = decodeBackslashEscapes(map);
    return decodePercentEscapes(map);
}

QMap<int, QString> watchPageStreams(const QString &page)
{
    // The parts are visited in place rather than split into a list: a hostile page of commas
    // costs no more than the entries it really makes.
    const QString map = watchPageStreamMap(page);
    QMap<int, QString> streams;
    int start = 0;
    for (;;) {
        const int comma = map.indexOf(QLatin1Char(','), start);
        const int end = comma < 0 ? map.size() : comma;
        // Each entry begins with "url=".
        const QString address = end - start > 4 ? map.mid(start + 4, end - start - 4) : QString();
        // The page is outside input: a stream that is no web address (a local file, ...) is
        // never offered for download.
        if (!address.isEmpty() && !QT_EXT::isWebAddress(address)) {
            if (comma < 0)
                break;
            start = comma + 1;
            continue;
        }
        const int itag = QUrlQuery(QUrl(address))
                             .queryItemValue(QStringLiteral("itag"), QUrl::FullyDecoded)
                             .toInt();
        streams.insert(itag, withoutTrailingItag(address));
        if (comma < 0)
            break;
        start = comma + 1;
    }
    return streams;
}
