#include "videosite.h"

#include "catalog.h"
#include "httputil.h"
#include "siteserver.h"
#include "streamformat.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <httplib.h>

using namespace HttpUtil;

namespace {

QString streamFileName(const StreamFormat &format)
{
    return QString::number(format.itag) + QLatin1Char('.') + format.extension;
}

void sendInfo(httplib::Response &res, int status, const QJsonObject &info)
{
    // The player API script reads this from the embedding page's origin.
    res.set_header("Access-Control-Allow-Origin", "*");
    sendText(res, status, QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Compact)),
             "application/json");
}

QJsonObject infoError(int errorCode, const QString &reason)
{
    return QJsonObject{{QStringLiteral("status"), QStringLiteral("fail")},
                       {QStringLiteral("errorcode"), errorCode},
                       {QStringLiteral("reason"), reason}};
}

} // namespace

VideoSite::VideoSite(const SiteConfig &config, const Catalog &catalog)
    : m_config(config), m_catalog(catalog)
{
}

void VideoSite::install(httplib::Server &server)
{
    using httplib::Request;
    using httplib::Response;
    auto bindHandler = [this](void (VideoSite::*handler)(const Request &, Response &) const) {
        return [this, handler](const Request &req, Response &res) { (this->*handler)(req, res); };
    };
    server.Get("/", bindHandler(&VideoSite::handleHome));
    server.Get("/watch", bindHandler(&VideoSite::handleWatch));
    server.Get("/videoplayback", bindHandler(&VideoSite::handleStream));
    server.Get(R"(/vi/([A-Za-z0-9_-]{11})/default\.jpg)", bindHandler(&VideoSite::handleThumbnail));
    server.Get("/iframe_api", bindHandler(&VideoSite::handlePlayerApi));
    server.Get("/player_api/video_info", bindHandler(&VideoSite::handleVideoInfo));
}

QString VideoSite::streamUrl(const CatalogVideo &video, int itag) const
{
    return QStringLiteral("http://%1/videoplayback?id=%2&itag=%3")
        .arg(m_config.videoAddress(), video.id)
        .arg(itag);
}

QString VideoSite::streamMap(const CatalogVideo &video) const
{
    QStringList entries;
    for (const StreamFormat &format : StreamFormat::all()) {
        if (!QFileInfo(m_config.mediaFile(video.id, streamFileName(format))).isFile()) {
            continue;
        }
        // The separators are written as the escape \u0026, as in the site's script data.
        // Concatenated, not arg()-formatted: the encoded address is full of percent signs.
        entries.append(QStringLiteral("url=") +
                       QString::fromLatin1(QUrl::toPercentEncoding(streamUrl(video, format.itag))) +
                       QStringLiteral("\\u0026quality=") + format.quality +
                       QStringLiteral("\\u0026type=") +
                       QString::fromLatin1(QUrl::toPercentEncoding(format.mimeType)) +
                       QStringLiteral("\\u0026itag=") + QString::number(format.itag));
    }
    return entries.join(QLatin1Char(','));
}

void VideoSite::handleHome(const httplib::Request &, httplib::Response &res) const
{
    QString items;
    for (const CatalogVideo &video : m_catalog.videos()) {
        items += QStringLiteral("<li><a href=\"/watch?v=%1\"><img src=\"/vi/%1/default.jpg\" "
                                "width=\"120\" height=\"68\" alt=\"\"> %2</a></li>\n")
                     .arg(video.id, video.title.toHtmlEscaped());
    }
    sendHtml(res, 200, QStringLiteral("Video site"),
             QStringLiteral("<h1>Demo video site</h1>\n<ul>\n%1</ul>").arg(items));
}

void VideoSite::handleWatch(const httplib::Request &req, httplib::Response &res) const
{
    const QString id = param(req, "v");
    if (!Catalog::isWellFormedId(id)) {
        sendHtml(res, 400, QStringLiteral("Video site"),
                 QStringLiteral("<h1>Invalid parameters</h1><p>The video id is not valid.</p>"));
        return;
    }
    const CatalogVideo *video = m_catalog.find(id);
    if (!video) {
        sendHtml(res, 404, QStringLiteral("Video site"),
                 QStringLiteral("<h1>This video is unavailable</h1>"));
        return;
    }
    const QJsonObject args{
        {QStringLiteral("video_id"), video->id},
        {QStringLiteral("title"), video->title},
        {QStringLiteral("author"), video->artist},
        {QStringLiteral("length_seconds"), QString::number(video->duration)},
    };
    QString argsText = QString::fromUtf8(QJsonDocument(args).toJson(QJsonDocument::Compact));
    argsText.chop(1); // the stream map goes last, written by hand in the site's own form
    argsText += QStringLiteral(",\"url_encoded_fmt_stream_map\": \"%1\"}").arg(streamMap(*video));
    // Keep "</" out of the script element.
    argsText.replace(QLatin1String("</"), QLatin1String("<\\/"));

    const QString webm = QStringLiteral("43.webm");
    const QString player =
        QFileInfo(m_config.mediaFile(video->id, webm)).isFile()
            ? QStringLiteral("<video controls width=\"640\" height=\"360\" src=\"%1\" "
                             "poster=\"/vi/%2/default.jpg\"></video>")
                  .arg(streamUrl(*video, 43).toHtmlEscaped(), video->id)
            : QString();
    const QString body =
        QStringLiteral("<div id=\"player\">%1</div>\n<h1 id=\"watch-title\">%2</h1>\n"
                       "<p id=\"watch-description\">%3</p>\n"
                       "<script>var ytplayer = ytplayer || {};\n"
                       "ytplayer.config = {\"args\": %4};</script>")
            .arg(player, video->title.toHtmlEscaped(), video->description.toHtmlEscaped(),
                 argsText);
    sendHtml(res, 200, video->title + QStringLiteral(" - Video site"), body);
}

void VideoSite::handleStream(const httplib::Request &req, httplib::Response &res) const
{
    const CatalogVideo *video = m_catalog.find(param(req, "id"));
    bool ok = false;
    const StreamFormat *format = StreamFormat::find(param(req, "itag").toInt(&ok));
    if (!video || !ok || !format) {
        sendText(res, 404, QStringLiteral("Not found\n"), "text/plain");
        return;
    }
    sendFile(req, res, m_config.mediaFile(video->id, streamFileName(*format)), format->mimeType,
             m_config.streamRate);
}

void VideoSite::handleThumbnail(const httplib::Request &req, httplib::Response &res) const
{
    const CatalogVideo *video = m_catalog.find(fromStd(req.matches[1]));
    if (!video) {
        sendText(res, 404, QStringLiteral("Not found\n"), "text/plain");
        return;
    }
    sendFile(req, res, m_config.mediaFile(video->id, QStringLiteral("default.jpg")),
             QStringLiteral("image/jpeg"));
}

void VideoSite::handlePlayerApi(const httplib::Request &, httplib::Response &res) const
{
    QString script;
    if (!readTemplate(m_config.webDir + QStringLiteral("/videosite/iframe_api.js"), script)) {
        sendText(res, 500, QStringLiteral("// the player API script is missing\n"),
                 "application/javascript");
        return;
    }
    script.replace(QLatin1String("{{VIDEO_SITE}}"), m_config.videoAddress());
    sendText(res, 200, script, "application/javascript");
}

void VideoSite::handleVideoInfo(const httplib::Request &req, httplib::Response &res) const
{
    const QString id = param(req, "v");
    if (!Catalog::isWellFormedId(id)) {
        sendInfo(res, 400, infoError(2, QStringLiteral("Invalid parameters.")));
        return;
    }
    const CatalogVideo *video = m_catalog.find(id);
    if (!video) {
        sendInfo(res, 404, infoError(100, QStringLiteral("This video is unavailable.")));
        return;
    }
    if (!video->embeddable) {
        sendInfo(res, 403,
                 infoError(101, QStringLiteral("Playback on other websites has been disabled "
                                               "by the video owner.")));
        return;
    }
    QJsonArray streams;
    for (const StreamFormat &format : StreamFormat::all()) {
        if (QFileInfo(m_config.mediaFile(video->id, streamFileName(format))).isFile()) {
            streams.append(QJsonObject{{QStringLiteral("itag"), format.itag},
                                       {QStringLiteral("type"), format.mimeType},
                                       {QStringLiteral("url"), streamUrl(*video, format.itag)}});
        }
    }
    sendInfo(res, 200,
             QJsonObject{{QStringLiteral("status"), QStringLiteral("ok")},
                         {QStringLiteral("video_id"), video->id},
                         {QStringLiteral("title"), video->title},
                         {QStringLiteral("author"), video->artist},
                         {QStringLiteral("length_seconds"), video->duration},
                         {QStringLiteral("streams"), streams}});
}
