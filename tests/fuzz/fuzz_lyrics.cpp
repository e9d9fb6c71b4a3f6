// libFuzzer target: reading an answer of the lyrics service. Whatever the answer holds, what
// goes into the page is text: no element and no attribute of it can come from the answer.
#include "lyricsanswer.h"
#include "qttextparse.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QString *currentAnswer = nullptr;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_lyrics: %s\nanswer: %s\n", what,
                 currentAnswer ? currentAnswer->toUtf8().constData() : "");
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString answer = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    currentAnswer = &answer;

    QString html = QStringLiteral("before");
    const bool found = lyricsFromAnswer(answer, html);
    const bool expected = answer.contains(QLatin1String("<Results>"), Qt::CaseInsensitive) ||
                          answer.contains(QLatin1String("<lyrics_body>"), Qt::CaseInsensitive);
    check(found == expected, "found lyrics in an answer of the wrong kind, or missed them");
    if (!found) {
        check(html == QLatin1String("before"), "an answer without lyrics changed the page text");
        return 0;
    }

    // Only the line breaks are markup.
    QString text = html;
    text.replace(QLatin1String("<br>"), QLatin1String("\n"));
    for (const QChar c : {QLatin1Char('<'), QLatin1Char('>'), QLatin1Char('"'), QLatin1Char('\'')})
        check(!text.contains(c), "markup characters from the answer reached the page");
    // Every "&" starts one of the entities written for the text.
    for (int i = text.indexOf(QLatin1Char('&')); i >= 0; i = text.indexOf(QLatin1Char('&'), i + 1)) {
        const QStringView rest = QStringView(text).mid(i);
        check(rest.startsWith(QLatin1String("&amp;")) || rest.startsWith(QLatin1String("&lt;")) ||
                  rest.startsWith(QLatin1String("&gt;")) ||
                  rest.startsWith(QLatin1String("&quot;")) ||
                  rest.startsWith(QLatin1String("&apos;")),
              "a bare \"&\" reached the page");
    }
    check(!html.contains(QLatin1Char('\n')), "a line break of the lyrics did not become <br>");
    currentAnswer = nullptr;
    return 0;
}
