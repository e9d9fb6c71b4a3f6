#pragma once

#include <QString>

class QDateTime;

// File names of downloads.

// The longest file name, in bytes, that the usual file systems accept (ext4, btrfs, NTFS in
// UTF-16 units, which a name never has more of than UTF-8 bytes).
constexpr int maxFileNameBytes = 255;

// The file name for a video: its title, or when that is empty the date and time (Qt::TextDate),
// "_" and the video id; line breaks and tabs removed, each of < > : " / \ | ? * % turned into
// "-", "@" and "," removed; cut at the end of a character so that the name, the extension and
// the partial file's ".part" together take at most maxFileNameBytes bytes of UTF-8; then the
// extension (with its dot) appended.
QString downloadFileName(const QString &title, const QString &videoId, const QString &extension,
                         const QDateTime &now);

// The longest start of text that takes at most maxBytes bytes in UTF-8, ending at the end of a
// character: never inside a surrogate pair (or the UTF-8 sequence of a character).
QString truncatedToUtf8Bytes(const QString &text, int maxBytes);

// The path itself when no file has it; otherwise the first free of the path with "_1" ... "_9"
// put before the extension ("x.mp4" gives "x_1.mp4"), or the last of them when all are taken.
// The file name before the number is cut as downloadFileName cuts it, so that the numbered name
// with ".part" still fits in maxFileNameBytes.
QString numberedPath(const QString &path);

// The file a download is written to until it is complete.
QString partialPath(const QString &path);
