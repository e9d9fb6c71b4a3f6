#pragma once

#include <QString>
#include <QVariant>

namespace QT_EXT {

// Reads JSON text into a QVariant tree: objects become QVariantMap, arrays QVariantList,
// strings QString, numbers the QString of their text exactly as written, true/false bool and
// null an invalid QVariant. The reader is lenient: commas are optional, text after the first
// complete value is ignored. A null `json` gives an invalid value with success. On failure
// `success` is false and the failing level gives an invalid value or an empty container.
QVariant parseJson(const QString &json, bool &success);
QVariant parseJson(const QString &json);

// Writes a QVariant tree as compact JSON. Strings are escaped as by escapeJsonString() and, on
// top, every other character below U+0020 and U+2028 and U+2029 become \u escapes, so the
// result is strict JSON and can stand inside a single-quoted script string. Map keys come in
// ascending order. A type the writer does not handle gives a null text.
QString toJson(const QVariant &data);

// The text with backslash, apostrophe, double quote, backspace, form feed, line feed, carriage
// return and tab written as \u escapes with upper-case hex digits; no surrounding quotes.
QString escapeJsonString(const QString &text);

} // namespace QT_EXT
