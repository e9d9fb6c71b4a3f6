#pragma once

#include <QString>

// Reads an answer of the lyrics service. An answer that holds "<Results>" carries the lyrics in
// its first <Lyrics> element, one that holds "<lyrics_body>" in its <lyrics_body> element (tags
// matched without regard to case). The lyrics are text: entities are decoded, then the text is
// escaped for the page and its line breaks become <br>, so nothing in them acts as markup.
// False, with html left alone, for an answer of neither kind.
bool lyricsFromAnswer(const QString &answer, QString &html);
