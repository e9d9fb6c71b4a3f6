#include "fakehttpserver.h"

#include <httplib.h>

#include <chrono>

QByteArray FakeHttpServer::Recorded::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return QByteArray();
}

FakeHttpServer::FakeHttpServer(int port) : server(std::make_unique<httplib::Server>())
{
    auto route = [this](const httplib::Request &req, httplib::Response &res) { answer(req, res); };
    server->Get(".*", route);
    server->Post(".*", route);
    server->Put(".*", route);
    server->Delete(".*", route);
    server->Options(".*", route);
    if (port == 0)
        boundPort = server->bind_to_any_port("127.0.0.1");
    else
        boundPort = server->bind_to_port("127.0.0.1", port) ? port : -1;
    if (boundPort > 0) {
        thread = std::thread([this] { server->listen_after_bind(); });
        // stop() only ends a server that already runs; wait for that, or a server destroyed
        // right after construction would never stop.
        while (!server->is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

FakeHttpServer::~FakeHttpServer()
{
    server->stop();
    if (thread.joinable())
        thread.join();
}

void FakeHttpServer::setHandler(Handler h)
{
    std::lock_guard<std::mutex> lock(mutex);
    handler = std::move(h);
}

QUrl FakeHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(boundPort).arg(path));
}

QList<FakeHttpServer::Recorded> FakeHttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

void FakeHttpServer::clearRequests()
{
    std::lock_guard<std::mutex> lock(mutex);
    recorded.clear();
}

void FakeHttpServer::answer(const httplib::Request &req, httplib::Response &res)
{
    Handler current;
    {
        std::lock_guard<std::mutex> lock(mutex);
        Recorded r;
        r.method = QString::fromStdString(req.method);
        r.path = QString::fromStdString(req.path);
        for (const auto &h : req.headers)
            r.headers.append(
                {QByteArray::fromStdString(h.first), QByteArray::fromStdString(h.second)});
        recorded.append(r);
        current = handler;
    }
    if (current) {
        current(req, res);
    } else {
        res.status = 404;
        res.set_content("no handler", "text/plain");
    }
}
