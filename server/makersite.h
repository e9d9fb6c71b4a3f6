#pragma once

#include <QString>
#include <QVector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib
class Catalog;
struct CatalogVideo;
struct SiteConfig;

// The maker's web server: the hosted pages, the list API, the lyrics service, the lyrics-wiki
// stand-in and the conversion page.
class MakerSite
{
public:
    MakerSite(const SiteConfig &config, const Catalog &catalog);
    void install(httplib::Server &server);

    // The check number that the lyrics service expects in "l": over the characters of artist
    // followed by song, from the last to the first, value * 33 + UTF-16 code, modulo 2^32.
    static quint32 lyricsCheckNumber(const QString &artist, const QString &song);

private:
    QString recordJson(const CatalogVideo &video) const;
    void sendList(httplib::Response &res, const QVector<const CatalogVideo *> &videos) const;

    void handleHome(const httplib::Request &req, httplib::Response &res) const;
    void handleSiteConfig(const httplib::Request &req, httplib::Response &res) const;
    void handleTopList(const httplib::Request &req, httplib::Response &res) const;
    void handleRelated(const httplib::Request &req, httplib::Response &res) const;
    void handleSearch(const httplib::Request &req, httplib::Response &res) const;
    void handleVideo(const httplib::Request &req, httplib::Response &res) const;
    void handleLyricsSearch(const httplib::Request &req, httplib::Response &res) const;
    void handleWikiHome(const httplib::Request &req, httplib::Response &res) const;
    void handleWikiPage(const httplib::Request &req, httplib::Response &res) const;
    void handleConversion(const httplib::Request &req, httplib::Response &res) const;
    void handleAudio(const httplib::Request &req, httplib::Response &res) const;

    const SiteConfig &m_config;
    const Catalog &m_catalog;
};
