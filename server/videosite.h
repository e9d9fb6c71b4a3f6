#pragma once

#include <QString>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib
class Catalog;
struct CatalogVideo;
struct SiteConfig;

// The stand-in video site: home and watch pages, streams, thumbnails and the player API.
class VideoSite
{
public:
    VideoSite(const SiteConfig &config, const Catalog &catalog);
    void install(httplib::Server &server);

    // The watch page's stream map: one entry per stream file that exists, each
    // "url=" + the percent-encoded stream address + "\u0026" separated fields, itag last,
    // entries separated by commas.
    QString streamMap(const CatalogVideo &video) const;

private:
    QString streamUrl(const CatalogVideo &video, int itag) const;

    void handleHome(const httplib::Request &req, httplib::Response &res) const;
    void handleWatch(const httplib::Request &req, httplib::Response &res) const;
    void handleStream(const httplib::Request &req, httplib::Response &res) const;
    void handleThumbnail(const httplib::Request &req, httplib::Response &res) const;
    void handlePlayerApi(const httplib::Request &req, httplib::Response &res) const;
    void handleVideoInfo(const httplib::Request &req, httplib::Response &res) const;

    const SiteConfig &m_config;
    const Catalog &m_catalog;
};
