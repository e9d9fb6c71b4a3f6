#include "siteserver.h"

#include "makersite.h"
#include "videosite.h"

#include <QDir>
#include <QFileInfo>

#include <httplib.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

QString SiteConfig::publicHost() const
{
    if (bindAddress == QLatin1String("0.0.0.0") || bindAddress == QLatin1String("::") ||
        bindAddress.isEmpty()) {
        return QStringLiteral("127.0.0.1");
    }
    if (bindAddress.contains(QLatin1Char(':'))) {
        return QLatin1Char('[') + bindAddress + QLatin1Char(']');
    }
    return bindAddress;
}

QString SiteConfig::makerAddress() const
{
    return publicHost() + QLatin1Char(':') + QString::number(makerPort);
}

QString SiteConfig::videoAddress() const
{
    return publicHost() + QLatin1Char(':') + QString::number(videoPort);
}

QString SiteConfig::mediaFile(const QString &videoId, const QString &fileName) const
{
    return mediaDir + QLatin1Char('/') + videoId + QLatin1Char('/') + fileName;
}

namespace {

// Plain SO_REUSEADDR: the library's default also sets SO_REUSEPORT, which would let a second
// server share a port that is already taken instead of reporting it.
void socketOptions(int sock)
{
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// Why a port could not be bound, found by trying it once more ourselves.
QString bindFailureReason(const QString &address, int port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
    addrinfo *info = nullptr;
    const std::string host = address.toStdString();
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &info) != 0 || !info) {
        return QStringLiteral("%1 is not a numeric IP address").arg(address);
    }
    QString reason = QStringLiteral("unknown error");
    const int sock = socket(info->ai_family, info->ai_socktype, info->ai_protocol);
    if (sock >= 0) {
        socketOptions(sock);
        if (::bind(sock, info->ai_addr, info->ai_addrlen) != 0) {
            reason = errno == EADDRINUSE ? QStringLiteral("the port is already in use")
                                         : QString::fromLocal8Bit(std::strerror(errno));
        } else if (listen(sock, 1) != 0) {
            reason = errno == EADDRINUSE ? QStringLiteral("the port is already in use")
                                         : QString::fromLocal8Bit(std::strerror(errno));
        }
        close(sock);
    } else {
        reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    freeaddrinfo(info);
    return reason;
}

} // namespace

SiteServer::SiteServer(const SiteConfig &config)
    : m_config(config), m_makerServer(std::make_unique<httplib::Server>()),
      m_videoServer(std::make_unique<httplib::Server>())
{
}

SiteServer::~SiteServer() = default;

bool SiteServer::start(QString &error)
{
    if (!QFileInfo(m_config.dataDir).isDir()) {
        error = QStringLiteral("data folder not found: %1").arg(m_config.dataDir);
        return false;
    }
    if (!QFileInfo(m_config.webDir + QStringLiteral("/sonvara")).isDir()) {
        error = QStringLiteral("web folder not found or without sonvara/: %1").arg(m_config.webDir);
        return false;
    }
    if (!m_catalog.load(m_config.dataDir, error)) {
        return false;
    }
    if (!bind(*m_makerServer, m_config.makerPort, "maker", error) ||
        !bind(*m_videoServer, m_config.videoPort, "video_site", error)) {
        return false;
    }
    m_makerSite = std::make_unique<MakerSite>(m_config, m_catalog);
    m_videoSite = std::make_unique<VideoSite>(m_config, m_catalog);
    m_makerSite->install(*m_makerServer);
    m_videoSite->install(*m_videoServer);
    if (m_config.logRequests) {
        installLogger(*m_makerServer, "maker");
        installLogger(*m_videoServer, "video_site");
    }
    return true;
}

bool SiteServer::bind(httplib::Server &server, int &port, const char *what, QString &error)
{
    server.set_socket_options(socketOptions);
    const std::string host = m_config.bindAddress.toStdString();
    if (port == 0) {
        const int bound = server.bind_to_any_port(host);
        if (bound > 0) {
            port = bound;
            return true;
        }
    } else if (server.bind_to_port(host, port)) {
        return true;
    }
    error = QStringLiteral("cannot listen for the %1 on %2:%3: %4")
                .arg(QLatin1String(what), m_config.bindAddress, QString::number(port),
                     bindFailureReason(m_config.bindAddress, port));
    return false;
}

void SiteServer::installLogger(httplib::Server &server, const char *site)
{
    server.set_logger([this, site](const httplib::Request &req, const httplib::Response &res) {
        std::lock_guard<std::mutex> lock(m_logMutex);
        std::printf("%s %s %s %s %d\n", site, req.remote_addr.c_str(), req.method.c_str(),
                    req.target.c_str(), res.status);
        std::fflush(stdout);
    });
}

void SiteServer::run()
{
    std::thread video([this] { m_videoServer->listen_after_bind(); });
    m_makerServer->listen_after_bind();
    video.join();
}

void SiteServer::stop()
{
    // A stop that comes before the servers have started listening would be lost.
    for (httplib::Server *server : {m_makerServer.get(), m_videoServer.get()}) {
        for (int i = 0; i < 200 && !server->is_running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        server->stop();
    }
}
