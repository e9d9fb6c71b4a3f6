#include "makersite.h"

#include "catalog.h"
#include "httputil.h"
#include "siteserver.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QUrlQuery>

#include <httplib.h>

using namespace HttpUtil;

namespace {

const char *const productId = "quindarole";

QString jsonText(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void sendJsonError(httplib::Response &res, int status, const QString &message)
{
    QJsonObject o;
    o.insert(QStringLiteral("error"), message);
    sendText(res, status, jsonText(o), "application/json");
}

QString xmlEscape(const QString &text)
{
    return text.toHtmlEscaped();
}

QString formatDuration(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

MakerSite::MakerSite(const SiteConfig &config, const Catalog &catalog)
    : m_config(config), m_catalog(catalog)
{
}

void MakerSite::install(httplib::Server &server)
{
    using httplib::Request;
    using httplib::Response;
    auto bindHandler = [this](void (MakerSite::*handler)(const Request &, Response &) const) {
        return [this, handler](const Request &req, Response &res) { (this->*handler)(req, res); };
    };

    // Static pages; the library refuses paths that climb out of the folder.
    server.set_mount_point("/sonvara", toStd(m_config.webDir + QStringLiteral("/sonvara")));
    server.set_file_extension_and_mimetype_mapping("js", "application/javascript");

    server.Get("/", bindHandler(&MakerSite::handleHome));
    server.Get("/sonvara/site-config.js", bindHandler(&MakerSite::handleSiteConfig));
    server.Get("/sonvara/video2mp3.php", bindHandler(&MakerSite::handleConversion));
    // The program appends the watch address unencoded, so the request line holds a second '?',
    // which the library refuses with an empty 400 before routing. Serve such requests here.
    server.set_error_handler(httplib::Server::HandlerWithResponse([this](const Request &req,
                                                                         Response &res) {
        if (res.status == 400 && res.body.empty() &&
            (req.method == "GET" || req.method == "HEAD") && req.path == "/sonvara/video2mp3.php") {
            handleConversion(req, res);
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    }));
    server.Get(R"(/sonvara/audio/([A-Za-z0-9_-]{11})\.mp3)", bindHandler(&MakerSite::handleAudio));
    server.Get("/api/videos/top", bindHandler(&MakerSite::handleTopList));
    server.Get("/api/videos/related", bindHandler(&MakerSite::handleRelated));
    server.Get("/api/videos/search", bindHandler(&MakerSite::handleSearch));
    server.Get("/api/video", bindHandler(&MakerSite::handleVideo));
    server.Get("/lyrics/lyricssearch.aspx", bindHandler(&MakerSite::handleLyricsSearch));
    server.Get("/lyricswiki",
               [](const Request &, Response &res) { res.set_redirect("/lyricswiki/"); });
    server.Get("/lyricswiki/", bindHandler(&MakerSite::handleWikiHome));
    server.Get("/lyricswiki/wiki/(.+)", bindHandler(&MakerSite::handleWikiPage));
}

quint32 MakerSite::lyricsCheckNumber(const QString &artist, const QString &song)
{
    const QString text = artist + song;
    quint32 value = 0;
    for (int i = text.size() - 1; i >= 0; --i) {
        value = value * 33u + text.at(i).unicode();
    }
    return value;
}

QString MakerSite::recordJson(const CatalogVideo &video) const
{
    return jsonText(QJsonObject{
        {QStringLiteral("id"), video.id},
        {QStringLiteral("url"),
         QStringLiteral("http://%1/watch?v=%2").arg(m_config.videoAddress(), video.id)},
        {QStringLiteral("title"), video.title},
        {QStringLiteral("thumbnail"),
         QStringLiteral("http://%1/vi/%2/default.jpg").arg(m_config.videoAddress(), video.id)},
        {QStringLiteral("duration"), QString::number(video.duration)},
    });
}

void MakerSite::sendList(httplib::Response &res, const QVector<const CatalogVideo *> &videos) const
{
    QString entries;
    for (const CatalogVideo *video : videos) {
        if (!entries.isEmpty()) {
            entries += QLatin1Char(',');
        }
        entries += recordJson(*video);
    }
    sendText(res, 200, QStringLiteral("{\"entry\":[%1]}").arg(entries), "application/json");
}

void MakerSite::handleHome(const httplib::Request &, httplib::Response &res) const
{
    sendHtml(res, 200, QStringLiteral("site-server"),
             QStringLiteral("<h1>Sonvara video services</h1><ul>"
                            "<li><a href=\"/sonvara/ytplayer_simple.html\">Player page</a></li>"
                            "<li><a href=\"/sonvara/yt_videos.html\">Video list page</a></li>"
                            "<li><a href=\"/lyricswiki/\">Lyrics wiki</a></li>"
                            "<li><a href=\"http://%1/\">Video site</a></li></ul>")
                 .arg(m_config.videoAddress().toHtmlEscaped()));
}

void MakerSite::handleSiteConfig(const httplib::Request &, httplib::Response &res) const
{
    sendText(res, 200,
             QStringLiteral("var SITE_CONFIG = {\"maker\": %1, \"videoSite\": %2};\n")
                 .arg(jsString(m_config.makerAddress()), jsString(m_config.videoAddress())),
             "application/javascript");
}

void MakerSite::handleTopList(const httplib::Request &req, httplib::Response &res) const
{
    Catalog::TopList list;
    if (!Catalog::topListFromName(param(req, "list"), list)) {
        sendJsonError(res, 400, QStringLiteral("unknown list"));
        return;
    }
    sendList(res, m_catalog.topList(list));
}

void MakerSite::handleRelated(const httplib::Request &req, httplib::Response &res) const
{
    const QString id = param(req, "v");
    if (!Catalog::isWellFormedId(id)) {
        sendJsonError(res, 400, QStringLiteral("invalid video id"));
        return;
    }
    if (!m_catalog.find(id)) {
        sendJsonError(res, 404, QStringLiteral("video not found"));
        return;
    }
    sendList(res, m_catalog.related(id));
}

void MakerSite::handleSearch(const httplib::Request &req, httplib::Response &res) const
{
    sendList(res, m_catalog.search(param(req, "q")));
}

void MakerSite::handleVideo(const httplib::Request &req, httplib::Response &res) const
{
    const QString id = param(req, "v");
    if (!Catalog::isWellFormedId(id)) {
        sendJsonError(res, 400, QStringLiteral("invalid video id"));
        return;
    }
    const CatalogVideo *video = m_catalog.find(id);
    if (!video) {
        sendJsonError(res, 404, QStringLiteral("video not found"));
        return;
    }
    sendText(res, 200, recordJson(*video), "application/json");
}

void MakerSite::handleLyricsSearch(const httplib::Request &req, httplib::Response &res) const
{
    const QString artist = param(req, "artist");
    const QString song = param(req, "song");
    if (!req.has_param("artist") || !req.has_param("song") || !req.has_param("l")) {
        sendText(res, 400, QStringLiteral("<Error>artist, song, d and l are required</Error>\n"),
                 "text/xml");
        return;
    }
    if (param(req, "d") != QLatin1String(productId)) {
        sendText(res, 403, QStringLiteral("<Error>unknown product</Error>\n"), "text/xml");
        return;
    }
    bool ok = false;
    const quint32 check = param(req, "l").toUInt(&ok);
    if (!ok || check != lyricsCheckNumber(artist, song)) {
        sendText(res, 403, QStringLiteral("<Error>check number does not match</Error>\n"),
                 "text/xml");
        return;
    }

    static const QString header = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n");
    const CatalogVideo *video = m_catalog.findLyrics(artist, song);
    if (!video) {
        // Neither marker of a hit: the client treats this as nothing found.
        sendText(res, 200,
                 header + QStringLiteral("<NotFound><Query>%1 - %2</Query></NotFound>\n")
                              .arg(xmlEscape(artist), xmlEscape(song)),
                 "text/xml");
        return;
    }
    const QString lyrics = xmlEscape(video->lyrics);
    QString body;
    if (video->lyricsForm == QLatin1String("results")) {
        body = QStringLiteral("<Results>\n<Artist>%1</Artist>\n<Song>%2</Song>\n"
                              "<Lyrics>%3</Lyrics>\n</Results>\n")
                   .arg(xmlEscape(video->artist), xmlEscape(video->song), lyrics);
    } else {
        body = QStringLiteral("<message>\n<track>%1 - %2</track>\n"
                              "<lyrics_body>%3</lyrics_body>\n<language>en</language>\n"
                              "</message>\n")
                   .arg(xmlEscape(video->artist), xmlEscape(video->song), lyrics);
    }
    sendText(res, 200, header + body, "text/xml");
}

void MakerSite::handleWikiHome(const httplib::Request &, httplib::Response &res) const
{
    QString items;
    for (const CatalogVideo &video : m_catalog.videos()) {
        if (video.lyricsForm.isEmpty()) {
            continue;
        }
        const QString page = video.artist + QLatin1Char(':') + video.song;
        items += QStringLiteral("<li><a href=\"/lyricswiki/wiki/%1\">%2 &ndash; %3</a></li>\n")
                     .arg(QString::fromLatin1(QUrl::toPercentEncoding(page)),
                          video.artist.toHtmlEscaped(), video.song.toHtmlEscaped());
    }
    sendHtml(res, 200, QStringLiteral("Lyrics Wiki"),
             QStringLiteral("<h1>Lyrics Wiki</h1>\n<p>The free lyrics collection of this demo "
                            "site. Songs with lyrics:</p>\n<ul>\n%1</ul>")
                 .arg(items));
}

void MakerSite::handleWikiPage(const httplib::Request &req, httplib::Response &res) const
{
    const QString page = fromStd(req.matches[1]);
    const int colon = page.indexOf(QLatin1Char(':'));
    const CatalogVideo *video =
        colon > 0 ? m_catalog.findLyrics(page.left(colon), page.mid(colon + 1)) : nullptr;
    if (!video) {
        sendHtml(res, 404, QStringLiteral("Lyrics Wiki"),
                 QStringLiteral("<h1>Lyrics Wiki</h1><p>There is no page called %1.</p>"
                                "<p><a href=\"/lyricswiki/\">Home</a></p>")
                     .arg(page.toHtmlEscaped()));
        return;
    }
    QString lyrics = video->lyrics.toHtmlEscaped();
    lyrics.replace(QLatin1Char('\n'), QLatin1String("<br>\n"));
    sendHtml(res, 200, video->artist + QStringLiteral(" - ") + video->song,
             QStringLiteral("<h1>%1 &ndash; %2</h1>\n<div class=\"lyricbox\">%3</div>\n"
                            "<p><a href=\"/lyricswiki/\">Home</a></p>")
                 .arg(video->artist.toHtmlEscaped(), video->song.toHtmlEscaped(), lyrics));
}

void MakerSite::handleConversion(const httplib::Request &req, httplib::Response &res) const
{
    const QString address = rawParam(req, "url");
    const QString title = QStringLiteral("Video to MP3");
    if (address.isEmpty()) {
        sendHtml(res, 400, title,
                 QStringLiteral("<h1>Video to MP3</h1><p>No video address was given.</p>"));
        return;
    }
    const QString id = QUrlQuery(QUrl(address)).queryItemValue(QStringLiteral("v"));
    const CatalogVideo *video = m_catalog.find(id);
    if (!video) {
        sendHtml(res, 404, title,
                 QStringLiteral("<h1>Video to MP3</h1><p>The video %1 was not found.</p>")
                     .arg(address.toHtmlEscaped()));
        return;
    }
    QString offer;
    const QFileInfo audio(m_config.mediaFile(video->id, QStringLiteral("audio.mp3")));
    if (video->audio && audio.isFile()) {
        offer = QStringLiteral("<p><audio controls src=\"/sonvara/audio/%1.mp3\"></audio></p>"
                               "<p><a href=\"/sonvara/audio/%1.mp3\" download>Download MP3</a> "
                               "(%2 KB, %3)</p>")
                    .arg(video->id)
                    .arg((audio.size() + 1023) / 1024)
                    .arg(formatDuration(video->duration));
    } else {
        offer = QStringLiteral("<p>No audio can be offered for this video.</p>");
    }
    sendHtml(res, 200, title,
             QStringLiteral("<h1>Video to MP3</h1>\n<p><img src=\"http://%1/vi/%2/default.jpg\" "
                            "alt=\"\" width=\"160\" height=\"90\"></p>\n<h2>%3</h2>\n%4")
                 .arg(m_config.videoAddress(), video->id, video->title.toHtmlEscaped(), offer));
}

void MakerSite::handleAudio(const httplib::Request &req, httplib::Response &res) const
{
    const CatalogVideo *video = m_catalog.find(fromStd(req.matches[1]));
    if (!video || !video->audio) {
        sendText(res, 404, QStringLiteral("Not found\n"), "text/plain");
        return;
    }
    sendFile(req, res, m_config.mediaFile(video->id, QStringLiteral("audio.mp3")),
             QStringLiteral("audio/mpeg"));
}
