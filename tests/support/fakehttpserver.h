#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

// A real HTTP server on 127.0.0.1 with a port chosen by the system, for tests that need a peer.
// Each test installs the handler that answers every request (any method, any path):
//
//     FakeHttpServer server;
//     server.setHandler([](const httplib::Request &, httplib::Response &res) {
//         res.set_content("<html>hi</html>", "text/html");
//     });
//     view.load(server.url("/index.html"));
//
// The handler runs on the server's thread. Every request is recorded for later checks.
class FakeHttpServer
{
public:
    using Handler = std::function<void(const httplib::Request &, httplib::Response &)>;

    struct Recorded
    {
        QString method;
        QString path;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray header(const QByteArray &name) const;
    };

    // Listens on the given port, or on one the system chooses for 0 (port() is -1 when the
    // port cannot be had).
    explicit FakeHttpServer(int port = 0);
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer &) = delete;
    FakeHttpServer &operator=(const FakeHttpServer &) = delete;

    void setHandler(Handler handler);
    int port() const { return boundPort; }
    // http://127.0.0.1:<port> followed by path (which should start with a slash).
    QUrl url(const QString &path = QStringLiteral("/")) const;
    QList<Recorded> requests() const;
    void clearRequests();

private:
    void answer(const httplib::Request &req, httplib::Response &res);

    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    mutable std::mutex mutex;
    Handler handler;
    QList<Recorded> recorded;
    int boundPort = -1;
};
