#include "recordingproxy.h"

#include <httplib.h>

namespace {

// Hop-by-hop and proxy headers stay between the client and this proxy.
bool isHopHeader(const std::string &name)
{
    // The proxy asks the origin for plain bodies and lets its own server encode them for the
    // client, so the encoding headers stay on each side too.
    static const char *const hop[] = {"connection",
                                      "proxy-connection",
                                      "keep-alive",
                                      "proxy-authorization",
                                      "te",
                                      "trailer",
                                      "upgrade",
                                      "content-length",
                                      "transfer-encoding",
                                      "accept-encoding",
                                      "content-encoding"};
    const QByteArray lower = QByteArray::fromStdString(name).toLower();
    for (const char *h : hop) {
        if (lower == h)
            return true;
    }
    return false;
}

} // namespace

RecordingProxy::RecordingProxy()
{
    listener.setHandler(
        [this](const httplib::Request &req, httplib::Response &res) { forward(req, res); });
}

void RecordingProxy::route(const QString &hostAndPort, int localPort)
{
    std::lock_guard<std::mutex> lock(mutex);
    routes.insert(hostAndPort.toLower(), localPort);
}

QStringList RecordingProxy::requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return carried;
}

void RecordingProxy::clearRequests()
{
    std::lock_guard<std::mutex> lock(mutex);
    carried.clear();
}

void RecordingProxy::forward(const httplib::Request &req, httplib::Response &res)
{
    const QString target = QString::fromStdString(req.target);
    const QString host = QString::fromStdString(req.get_header_value("Host")).toLower();
    int localPort = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        carried.append(QString::fromStdString(req.method) + QLatin1Char(' ') + target);
        localPort = routes.value(host);
    }
    // A proxy is asked for absolute addresses: "http://host:port/path?query".
    const int pathStart = target.indexOf(QLatin1Char('/'), target.indexOf(QLatin1String("//")) + 2);
    if (localPort == 0 || !target.startsWith(QLatin1String("http://")) || pathStart < 0) {
        res.status = 502;
        res.set_content("no route", "text/plain");
        return;
    }

    httplib::Request upstream;
    upstream.method = req.method;
    upstream.path = target.mid(pathStart).toStdString();
    for (const auto &header : req.headers) {
        if (!isHopHeader(header.first))
            upstream.headers.emplace(header.first, header.second);
    }
    upstream.body = req.body;
    httplib::Client client("127.0.0.1", localPort);
    client.set_read_timeout(30, 0);
    const httplib::Result result = client.send(upstream);
    if (!result) {
        res.status = 502;
        res.set_content("upstream failed", "text/plain");
        return;
    }
    res.status = result->status;
    std::string contentType = "application/octet-stream";
    for (const auto &header : result->headers) {
        if (QByteArray::fromStdString(header.first).toLower() == "content-type")
            contentType = header.second;
        else if (!isHopHeader(header.first))
            res.headers.emplace(header.first, header.second);
    }
    res.set_content(result->body, contentType.c_str());
}
