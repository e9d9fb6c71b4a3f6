#pragma once

#include "fakehttpserver.h"

#include <QUrl>

#include <atomic>

// A stream that keeps a download running, a few bytes at a time, until the test releases it.
class StalledStream
{
public:
    StalledStream();
    ~StalledStream();
    StalledStream(const StalledStream &) = delete;
    StalledStream &operator=(const StalledStream &) = delete;

    QUrl url() const { return server.url(QStringLiteral("/stream")); }
    // Ends the stream; the download then completes.
    void release() { released = true; }

private:
    std::atomic<bool> released{false};
    FakeHttpServer server;
};
