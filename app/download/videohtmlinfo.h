#pragma once

#include "formatinfo.h"
#include "qhttpext.h"

#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QString>

// Turns a video id into the streams that can be downloaded: fetches the video's watch page and
// reads the stream map out of its script data (see watchpage.h).
class VideoHtmlInfo : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoHtmlInfo)

public:
    // Streams by itag, in ascending itag order.
    using FormatMap = QMap<int, QSharedPointer<FormatInfo>>;

    explicit VideoHtmlInfo(QObject *parent = nullptr);
    ~VideoHtmlInfo() override;

    // Fetches the watch page of the video; signal_Ready follows when it has been analysed. A load
    // during a fetch supersedes it: only the page of the last load is analysed.
    void load(const QString &videoId);
    const FormatMap &formats() const { return m_formats; }
    bool hasFormats() const { return !m_formats.isEmpty(); }
    const QString &videoId() const { return m_videoId; }
    // Whether the watch page of the last load could not be had (its fetch failed or did not
    // start); false while it is being fetched. Its formats are then those of an empty page.
    bool fetchFailed() const { return m_fetchFailed; }
    // The address of the watch page for a video on the configured video site.
    static QString watchUrl(const QString &videoId);

signals:
    void signal_Ready();

public slots:
    virtual QString extensionForItag(int itag) const;
    virtual QString nameForItag(int itag) const;
    void slot_Started(const QT_EXT::QHttpExt::httpInfo *info);
    void slot_Finished(const QT_EXT::QHttpExt::httpInfo *info);
    void slot_readProgress(qint64 bytesReceived, qint64 bytesTotal);

private:
    void rebuild(const QString &page);

    QT_EXT::QHttpExt m_engine; // a child as well, so that it can be found
    int m_transferId = 0;      // the fetch of the last load; 0 when none runs
    QString m_videoId;
    bool m_fetchFailed = false;
    FormatMap m_formats;
};
