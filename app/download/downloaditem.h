#pragma once

#include "formatinfo.h"

#include <QSharedPointer>
#include <QString>

// What the main window hands to the download panel: which video, where to, and which stream.
struct DownloadItem
{
    QString videoId;
    QString folder; // the recording folder
    QString title;  // basis of the file name
    QString thumbnail;
    QSharedPointer<FormatInfo> format; // the panel uses its extension and url
};
