#include "watchpage.h"

#include <QRegularExpression>
#include <QStringList>
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
        url.midRef(digits - key.size(), key.size()) == key) {
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

QVector<WatchPageStream> watchPageStreams(const QString &page)
{
    QVector<WatchPageStream> streams;
    const QStringList parts = watchPageStreamMap(page).split(QLatin1Char(','), Qt::KeepEmptyParts);
    streams.reserve(parts.size());
    for (const QString &part : parts) {
        // Each entry begins with "url=".
        const QString address = part.mid(4);
        WatchPageStream stream;
        stream.itag = QUrlQuery(QUrl(address))
                          .queryItemValue(QStringLiteral("itag"), QUrl::FullyDecoded)
                          .toInt();
        stream.url = withoutTrailingItag(address);
        streams.append(stream);
    }
    return streams;
}
