#include "stalledstream.h"

#include <httplib.h>

#include <chrono>
#include <thread>

StalledStream::StalledStream()
{
    server.setHandler([this](const httplib::Request &, httplib::Response &res) {
        res.set_chunked_content_provider("video/mp4", [this](size_t, httplib::DataSink &sink) {
            if (released)
                return false;
            sink.write("0123456789", 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return true;
        });
    });
}

StalledStream::~StalledStream()
{
    // The server's thread must leave the provider before the server stops.
    released = true;
}
