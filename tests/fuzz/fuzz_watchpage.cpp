// libFuzzer target: the watch page analysis over arbitrary pages, checked against the analysis
// done step by step as it is defined.
#include "watchpage.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

const QString *currentPage = nullptr;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_watchpage: %s\npage: %s\n", what,
                 currentPage ? currentPage->toUtf8().constData() : "");
    std::abort();
}

// Find the first escape from the start, replace every occurrence of it, and start again until
// none is left. Quadratic, so only for short texts.
QString referenceUnicodeEscapes(QString text)
{
    static const QRegularExpression escape(QStringLiteral("\\\\u([0-9]{4})"));
    for (QRegularExpressionMatch match = escape.match(text); match.hasMatch();
         match = escape.match(text)) {
        const QChar replacement(ushort(match.captured(1).toUShort(nullptr, 16)));
        text.replace(match.captured(0), QString(replacement));
    }
    return text;
}

QMap<int, QString> referenceStreams(const QString &page)
{
    static const QRegularExpression mapExpression(
        QStringLiteral("\"url_encoded_fmt_stream_map\"\\s*:\\s*\"([^\"]*)"),
        QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression backslash(QStringLiteral("\\\\(.)"),
                                              QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression trailingItag(QStringLiteral("&itag=[0-9]+\\z"));

    QString text = mapExpression.match(page).captured(1);
    text = referenceUnicodeEscapes(text);
    text.replace(backslash, QStringLiteral("\\1"));
    const QStringList percent{QStringLiteral("%3A"), QStringLiteral(":"),   QStringLiteral("%2F"),
                              QStringLiteral("/"),   QStringLiteral("%3F"), QStringLiteral("?"),
                              QStringLiteral("%3D"), QStringLiteral("="),   QStringLiteral("%25"),
                              QStringLiteral("%"),   QStringLiteral("%26"), QStringLiteral("&"),
                              QStringLiteral("%3D"), QStringLiteral("=")};
    for (int i = 0; i < percent.size(); i += 2)
        text.replace(percent.at(i), percent.at(i + 1), Qt::CaseInsensitive);

    QMap<int, QString> streams;
    const QStringList parts = text.split(QLatin1Char(','), Qt::KeepEmptyParts);
    for (QString part : parts) {
        part.remove(0, 4);
        // Only web addresses are offered: http or https, with a host.
        const QUrl address(part);
        const QString scheme = address.scheme().toLower();
        const bool web = address.isValid() && !address.host().isEmpty() &&
                         (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
        if (!part.isEmpty() && !web)
            continue;
        const int itag = QUrlQuery(QUrl(part))
                             .queryItemValue(QStringLiteral("itag"), QUrl::FullyDecoded)
                             .toInt();
        part.remove(trailingItag);
        streams.insert(itag, part);
    }
    return streams;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    // Half of the inputs start inside a stream map, so that the fuzzer spends its time there.
    const bool inMap = fdp.ConsumeBool();
    const std::string bytes = fdp.ConsumeRemainingBytesAsString();
    QString page = QString::fromUtf8(bytes.data(), int(bytes.size()));
    if (inMap)
        page.prepend(QStringLiteral("{\"url_encoded_fmt_stream_map\": \""));
    currentPage = &page;

    const QString map = watchPageStreamMap(page);
    check(map.size() <= page.size(), "the stream map grew beyond the page");
    const QMap<int, QString> streams = watchPageStreams(page);
    // Every entry may be refused as no web address; a page without a map still gets one.
    check(!streams.isEmpty() || !map.isEmpty(), "no entry for a page without a stream map");
    for (const QString &url : streams)
        check(url.size() <= map.size(), "an address grew beyond the map");

    if (page.size() <= 2048) {
        check(decodeDecimalUnicodeEscapes(page) == referenceUnicodeEscapes(page),
              "escapes decoded differently from the rescanning definition");
        check(streams == referenceStreams(page), "streams differ from the step-by-step analysis");
    }
    currentPage = nullptr;
    return 0;
}
