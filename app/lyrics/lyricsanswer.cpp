#include "lyricsanswer.h"

#include "qttextparse.h"

bool lyricsFromAnswer(const QString &answer, QString &html)
{
    QT_EXT::QtTextParse body(answer);
    QString lyrics;
    if (body.contains(QStringLiteral("<Results>")))
        lyrics = body.tagContent(QStringLiteral("Lyrics"));
    else if (body.contains(QStringLiteral("<lyrics_body>")))
        lyrics = body.tagContent(QStringLiteral("lyrics_body"));
    else
        return false;
    html = QT_EXT::QtTextParse::encodedEntities(lyrics);
    return true;
}
