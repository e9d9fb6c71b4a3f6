#pragma once

#include <QString>

namespace QT_EXT {

// A byte count for display: the count alone below 1024, else whole "kb", or "mb", "gb", "tb"
// with 1, 2 and 3 decimals. The unit words are translated in the context QObject.
void formatSize(quint64 bytes, QString &out);

// Seconds as "hh:mm:ss" (hours grow beyond two digits when needed).
void formatClock(int seconds, QString &out);

// The media type of an audio file extension given without the dot, as written (no case
// folding), or "unknown".
QString mediaType(const QString &extension);

} // namespace QT_EXT
