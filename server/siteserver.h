#pragma once

#include "catalog.h"

#include <QString>

#include <memory>
#include <mutex>

namespace httplib {
class Server;
}
class MakerSite;
class VideoSite;

// Where site-server listens and where it reads from.
struct SiteConfig
{
    QString bindAddress = QStringLiteral("127.0.0.1");
    int makerPort = 8310; // 0: any free port
    int videoPort = 8311; // 0: any free port
    QString webDir;
    QString dataDir;
    QString mediaDir;
    bool logRequests = false;
    long long streamRate = 0; // bytes per second of each video stream; 0: no limit

    // The host name that pages and links use: the bind address, or the loopback address
    // when bound to every interface.
    QString publicHost() const;
    QString makerAddress() const; // host:port
    QString videoAddress() const; // host:port
    QString mediaFile(const QString &videoId, const QString &fileName) const;
};

// One process, two sites: the maker's web server and the stand-in video site.
class SiteServer
{
public:
    explicit SiteServer(const SiteConfig &config);
    ~SiteServer();
    SiteServer(const SiteServer &) = delete;
    SiteServer &operator=(const SiteServer &) = delete;

    // Loads the catalog and binds both ports; on failure returns false with a message.
    bool start(QString &error);
    const SiteConfig &config() const { return m_config; }
    // Serves until stop() is called from another thread.
    void run();
    void stop();

private:
    bool bind(httplib::Server &server, int &port, const char *what, QString &error);
    void installLogger(httplib::Server &server, const char *site);

    SiteConfig m_config;
    Catalog m_catalog;
    std::unique_ptr<httplib::Server> m_makerServer;
    std::unique_ptr<httplib::Server> m_videoServer;
    std::unique_ptr<MakerSite> m_makerSite;
    std::unique_ptr<VideoSite> m_videoSite;
    std::mutex m_logMutex;
};
