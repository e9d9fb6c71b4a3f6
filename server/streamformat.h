#pragma once

#include <QString>
#include <QVector>

// One stream format that the video site offers for every video: the site's format number
// (itag), the container and the picture size the demo media are made in.
struct StreamFormat
{
    int itag = 0;
    QString extension; // file extension without the dot
    QString mimeType;
    QString quality; // the site's quality label
    int width = 0;
    int height = 0;

    static const QVector<StreamFormat> &all();
    static const StreamFormat *find(int itag);
};
