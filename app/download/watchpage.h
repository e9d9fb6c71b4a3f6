#pragma once

#include <QString>
#include <QVector>

// The analysis of a video site watch page, free of network and widgets.

// One entry of a watch page's stream map.
struct WatchPageStream
{
    int itag = 0;
    QString url;
};

// The stream map text of a watch page with its escapes undone: the value of the script data key
// "url_encoded_fmt_stream_map" up to the next quote, with \u escapes (four decimal digits read
// as hexadecimal), backslash escapes and the percent escapes of ":", "/", "?", "=", "%" and "&"
// replaced. Empty when the page has no stream map.
QString watchPageStreamMap(const QString &page);

// The entries of the stream map, in page order. An empty map gives one entry with itag 0 and an
// empty address.
QVector<WatchPageStream> watchPageStreams(const QString &page);

// Replaces every \uDDDD escape (four decimal digits, read as a hexadecimal number) until none is
// left, including escapes that earlier replacements put together.
QString decodeDecimalUnicodeEscapes(const QString &text);
