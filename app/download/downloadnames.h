#pragma once

#include <QString>

class QDateTime;

// File names of downloads.

// The file name for a video: its title, or when that is empty the date and time (Qt::TextDate),
// "_" and the video id; line breaks and tabs removed, each of < > : " / \ | ? * % turned into
// "-", "@" and "," removed; then the extension (with its dot) appended.
QString downloadFileName(const QString &title, const QString &videoId, const QString &extension,
                         const QDateTime &now);

// The path itself when no file has it; otherwise the first free of the path with "_1" ... "_9"
// put before the extension ("x.mp4" gives "x_1.mp4"), or the last of them when all are taken.
QString numberedPath(const QString &path);

// The file a download is written to until it is complete.
QString partialPath(const QString &path);
