#pragma once

#include <QMap>
#include <QString>

// The analysis of a video site watch page, free of network and widgets.

// The stream map text of a watch page with its escapes undone: the value of the script data key
// "url_encoded_fmt_stream_map" up to the next quote, with \u escapes (four decimal digits read
// as hexadecimal), backslash escapes and the percent escapes of ":", "/", "?", "=", "%" and "&"
// replaced. Empty when the page has no stream map.
QString watchPageStreamMap(const QString &page);

// The streams of the page's stream map: the download address by itag. The map text is split at
// every ",", each part loses its first four characters ("url="), its itag is read from its query
// and one trailing "&itag=" parameter is removed; of parts with the same itag the last counts.
// A part whose address is not a web address (http or https with a host) is left out.
// An empty map text gives itag 0 with an empty address.
QMap<int, QString> watchPageStreams(const QString &page);

// Replaces every \uDDDD escape (four decimal digits, read as a hexadecimal number) until none is
// left, including escapes that earlier replacements put together.
QString decodeDecimalUnicodeEscapes(const QString &text);
