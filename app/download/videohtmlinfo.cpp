#include "videohtmlinfo.h"

#include "appsettings.h"
#include "watchpage.h"

namespace {

// A watch page is at most a few megabytes; a larger answer is refused rather than read whole.
constexpr qint64 maxWatchPageBytes = 8 * 1024 * 1024;

} // namespace

VideoHtmlInfo::VideoHtmlInfo(QObject *parent) : QObject(parent), m_engine(this)
{
    m_engine.setMemoryLimit(maxWatchPageBytes);
    connect(&m_engine, &QT_EXT::QHttpExt::sig_Finished, this, &VideoHtmlInfo::slot_Finished);
    connect(&m_engine, &QT_EXT::QHttpExt::sig_Started, this, &VideoHtmlInfo::slot_Started);
    connect(&m_engine, &QT_EXT::QHttpExt::sig_ReadProgress, this,
            &VideoHtmlInfo::slot_readProgress);
}

VideoHtmlInfo::~VideoHtmlInfo() = default;

QString VideoHtmlInfo::watchUrl(const QString &videoId)
{
    // The id goes in as given, not encoded.
    return QStringLiteral("http://") + AppSettings::videoSiteHost() + QStringLiteral("/watch?v=") +
           videoId;
}

void VideoHtmlInfo::load(const QString &videoId)
{
    m_videoId = videoId;
    m_fetchFailed = false;
    m_transferId = m_engine.get(watchUrl(videoId), false);
    // A fetch that could not start counts as a failed one; the streams of the previous video
    // must not stay behind.
    if (m_transferId == 0) {
        m_fetchFailed = true;
        rebuild(QString());
    }
}

QString VideoHtmlInfo::extensionForItag(int itag) const
{
    switch (itag) {
    case 5:
    case 34:
    case 35:
        return QStringLiteral(".flv");
    default:
        return QStringLiteral(".mp4");
    }
}

QString VideoHtmlInfo::nameForItag(int itag) const
{
    switch (itag) {
    case 5:
        return QStringLiteral("FLV 240");
    case 34:
        return QStringLiteral("FLV 360");
    case 35:
        return QStringLiteral("FLV 480");
    case 18:
        return QStringLiteral("MP4 360");
    case 22:
        return QStringLiteral("MP4 720");
    case 37:
        return QStringLiteral("MP4 1080");
    case 38:
        return QStringLiteral("MP4 Original");
    default:
        return QString();
    }
}

void VideoHtmlInfo::slot_Started(const QT_EXT::QHttpExt::httpInfo *)
{
    m_formats.clear();
}

void VideoHtmlInfo::slot_Finished(const QT_EXT::QHttpExt::httpInfo *info)
{
    // A fetch that a later load superseded would put the streams of the previous video under
    // the one now shown.
    if (!info || info->id != m_transferId)
        return;
    m_transferId = 0;
    m_fetchFailed = info->failed;
    rebuild(info->text);
}

void VideoHtmlInfo::rebuild(const QString &page)
{
    // Of entries with the same itag the later one has replaced the earlier already.
    const QMap<int, QString> streams = watchPageStreams(page);
    m_formats.clear();
    for (auto it = streams.cbegin(); it != streams.cend(); ++it) {
        auto format = QSharedPointer<FormatInfo>::create();
        format->itag = it.key();
        format->name = nameForItag(it.key());
        format->url = it.value();
        format->extension = extensionForItag(it.key());
        m_formats.insert(it.key(), format);
    }
    emit signal_Ready();
}

void VideoHtmlInfo::slot_readProgress(qint64, qint64) {}
