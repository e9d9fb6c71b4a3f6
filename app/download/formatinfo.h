#pragma once

#include <QString>

// One downloadable stream of a video. Records are shared through QSharedPointer by the formats
// map of the watch page analysis, the format dialog's choice and the download items.
struct FormatInfo
{
    int itag = 0;      // the video site's format number
    QString name;      // display name; empty for a format without one
    QString extension; // file extension with its dot
    QString url;       // download address of the stream
};
