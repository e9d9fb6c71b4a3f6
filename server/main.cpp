// site-server: serves the maker's pages and services and a stand-in video site on two local
// ports, so the player runs on one machine without the internet.

#include "catalog.h"
#include "installedlayout.h"
#include "siteserver.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <sys/types.h>
#include <thread>
#include <unistd.h>

namespace {

const char usage[] =
    "Usage: site-server [options]\n"
    "  --maker-port N   port of the maker's web server (default 8310, 0 = any free port)\n"
    "  --video-port N   port of the video site (default 8311, 0 = any free port)\n"
    "  --bind ADDRESS   address to listen on (default 127.0.0.1)\n"
    "  --web DIR        folder of the hosted pages (default: web/ of the installed data\n"
    "                   folder, PREFIX/share/minivideoplayersv; else the checkout's web/)\n"
    "  --data DIR       folder of catalog.json (default: data/ of the installed data folder;\n"
    "                   else the checkout's server/data/)\n"
    "  --media DIR      folder of the generated demo media (default: media/ of the installed\n"
    "                   data folder; else the build's demo-media/)\n"
    "  --stream-rate N  send each video stream at N bytes per second (default: at once)\n"
    "  --log            print one line per request\n"
    "  --media-plan     print what the media script should generate, then end\n"
    "  --help           print this text\n";

bool parsePort(const char *text, int &port)
{
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 0 || value > 65535) {
        return false;
    }
    port = static_cast<int>(value);
    return true;
}

// One line per video: id, seconds, picture pattern, tone in Hz, 1 when an audio file is
// offered, and the title, separated by tabs.
int printMediaPlan(const QString &dataDir)
{
    Catalog catalog;
    QString error;
    if (!catalog.load(dataDir, error)) {
        std::fprintf(stderr, "site-server: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    for (const CatalogVideo &v : catalog.videos()) {
        QString title = v.title;
        title.replace(QLatin1Char('\t'), QLatin1Char(' '));
        std::printf("%s\t%d\t%s\t%d\t%d\t%s\n", v.id.toUtf8().constData(), v.duration,
                    v.pattern.toUtf8().constData(), v.frequency, v.audio ? 1 : 0,
                    title.toUtf8().constData());
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    SiteConfig config;
    const DataFolders folders = defaultDataFolders(programFolder());
    config.webDir = folders.web;
    config.dataDir = folders.data;
    config.mediaDir = folders.media;
    bool mediaPlan = false;

    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&]() {
            if (!value) {
                std::fprintf(stderr, "site-server: %s needs a value\n%s", arg, usage);
                return false;
            }
            ++i;
            return true;
        };
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            std::fputs(usage, stdout);
            std::printf("Without --web, --data and --media this copy reads\n"
                        "  pages   %s\n  catalog %s\n  media   %s\n",
                        folders.web.toLocal8Bit().constData(),
                        folders.data.toLocal8Bit().constData(),
                        folders.media.toLocal8Bit().constData());
            return 0;
        } else if (!std::strcmp(arg, "--log")) {
            config.logRequests = true;
        } else if (!std::strcmp(arg, "--media-plan")) {
            mediaPlan = true;
        } else if (!std::strcmp(arg, "--maker-port") || !std::strcmp(arg, "--video-port")) {
            if (!needValue()) {
                return 2;
            }
            int &port = arg[2] == 'm' ? config.makerPort : config.videoPort;
            if (!parsePort(value, port)) {
                std::fprintf(stderr, "site-server: %s: not a port number: %s\n", arg, value);
                return 2;
            }
        } else if (!std::strcmp(arg, "--stream-rate")) {
            if (!needValue()) {
                return 2;
            }
            char *end = nullptr;
            const long long rate = std::strtoll(value, &end, 10);
            if (end == value || *end != '\0' || rate <= 0) {
                std::fprintf(stderr, "site-server: --stream-rate: not a rate: %s\n", value);
                return 2;
            }
            config.streamRate = rate;
        } else if (!std::strcmp(arg, "--bind")) {
            if (!needValue()) {
                return 2;
            }
            config.bindAddress = QString::fromLocal8Bit(value);
        } else if (!std::strcmp(arg, "--web") || !std::strcmp(arg, "--data") ||
                   !std::strcmp(arg, "--media")) {
            if (!needValue()) {
                return 2;
            }
            const QString dir =
                QDir::cleanPath(QFileInfo(QString::fromLocal8Bit(value)).absoluteFilePath());
            (arg[2] == 'w'   ? config.webDir
             : arg[2] == 'd' ? config.dataDir
                             : config.mediaDir) = dir;
        } else {
            std::fprintf(stderr, "site-server: unknown option %s\n%s", arg, usage);
            return 2;
        }
    }
    if (mediaPlan) {
        return printMediaPlan(config.dataDir);
    }
    if (config.makerPort != 0 && config.makerPort == config.videoPort) {
        std::fprintf(stderr, "site-server: the maker and the video site need two ports\n");
        return 2;
    }

    // Termination signals are taken by a thread of our own, so the servers stop cleanly.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    SiteServer server(config);
    QString error;
    if (!server.start(error)) {
        std::fprintf(stderr, "site-server: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    const SiteConfig &bound = server.config();
    if (!QFileInfo(bound.mediaDir).isDir()) {
        std::fprintf(stderr,
                     "site-server: warning: media folder not found: %s (run "
                     "scripts/make-demo-media); streams and thumbnails will be missing\n",
                     bound.mediaDir.toLocal8Bit().constData());
    }
    std::printf("site-server: maker %s:%d video_site %s:%d\n",
                bound.bindAddress.toLocal8Bit().constData(), bound.makerPort,
                bound.bindAddress.toLocal8Bit().constData(), bound.videoPort);
    std::fflush(stdout);

    std::thread waiter([&server, stopSignals]() {
        int received = 0;
        sigwait(&stopSignals, &received);
        server.stop();
    });
    server.run();
    // Wake the waiter if the servers ended on their own.
    kill(getpid(), SIGTERM);
    waiter.join();
    return 0;
}
