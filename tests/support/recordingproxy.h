#pragma once

#include "fakehttpserver.h"

#include <QHash>
#include <QStringList>

#include <mutex>

// An HTTP proxy for tests: it records the absolute address of every request it carries and
// forwards the request to 127.0.0.1, at the port routed for the request's host; a host without
// a route is answered 502. Qt never sends loopback addresses through a proxy, so tests name
// made-up hosts ("video.test:8311") that only this proxy knows: a request that bypassed it
// cannot even resolve its host.
class RecordingProxy
{
public:
    RecordingProxy();
    Q_DISABLE_COPY_MOVE(RecordingProxy)

    // hostAndPort as the request names it, e.g. "video.test:8311".
    void route(const QString &hostAndPort, int localPort);
    int port() const { return listener.port(); }
    // Absolute addresses asked for, in order, e.g. "GET http://video.test:8311/watch?v=a".
    QStringList requests() const;
    void clearRequests();

private:
    void forward(const httplib::Request &req, httplib::Response &res);

    FakeHttpServer listener;
    mutable std::mutex mutex;
    QHash<QString, int> routes;
    QStringList carried;
};
