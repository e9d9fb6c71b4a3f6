#include "streamformat.h"

const QVector<StreamFormat> &StreamFormat::all()
{
    // The order is the order of preference in the watch page. scripts/make-demo-media writes
    // one file per entry; keep both lists in step.
    static const QVector<StreamFormat> formats = {
        {22, QStringLiteral("mp4"), QStringLiteral("video/mp4"), QStringLiteral("hd720"), 1280,
         720},
        {43, QStringLiteral("webm"), QStringLiteral("video/webm"), QStringLiteral("medium"), 640,
         360},
        {18, QStringLiteral("mp4"), QStringLiteral("video/mp4"), QStringLiteral("medium"), 640,
         360},
        {5, QStringLiteral("flv"), QStringLiteral("video/x-flv"), QStringLiteral("small"), 400,
         240},
    };
    return formats;
}

const StreamFormat *StreamFormat::find(int itag)
{
    for (const StreamFormat &format : all()) {
        if (format.itag == itag) {
            return &format;
        }
    }
    return nullptr;
}
