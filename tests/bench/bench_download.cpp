// Downloads a 512 MiB body from a local server to a file under /tmp, once with QHttpExt and once
// with "curl -s -o", and prints both throughputs, their ratio and how far the engine raised the
// resident set of this process at its peak. The body is generated as it is sent.
//   cmake --build <build> --target bench_download && <build>/tests/bench/bench_download
#include "fakehttpserver.h"
#include "qhttpext.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

constexpr qint64 bodySize = qint64(512) * 1024 * 1024;

// A field of /proc/self/status in kB, or -1.
qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Starts a new peak of the resident set (VmHWM) at the current size.
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

double mibPerSecond(qint64 bytes, qint64 ms)
{
    return ms > 0 ? double(bytes) / (1024.0 * 1024.0) / (double(ms) / 1000.0) : 0.0;
}

void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quietDebug);
    QTextStream out(stdout);

    QByteArray block(1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < block.size(); ++i)
        block[i] = char(i * 131 + i / 4099);
    FakeHttpServer server;
    server.setHandler([&block](const httplib::Request &, httplib::Response &res) {
        res.set_content_provider(size_t(bodySize), "application/octet-stream",
                                 [&block](size_t offset, size_t length, httplib::DataSink &sink) {
                                     const size_t at = offset % size_t(block.size());
                                     const size_t n = std::min(length, size_t(block.size()) - at);
                                     return sink.write(block.constData() + at, n);
                                 });
    });
    const QString url = server.url(QStringLiteral("/big.bin")).toString();
    const QString engineFile = QStringLiteral("/tmp/bench_download_engine.bin");
    const QString curlFile = QStringLiteral("/tmp/bench_download_curl.bin");
    QFile::remove(engineFile);
    QFile::remove(curlFile);

    // curl first, the engine second, so the engine never profits from a warmer page cache.
    qint64 curlMs = -1;
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty()) {
        out << "curl: not installed, skipped\n";
    } else {
        QElapsedTimer timer;
        timer.start();
        QProcess process;
        process.start(curl, {QStringLiteral("-s"), QStringLiteral("-o"), curlFile, url});
        if (process.waitForFinished(-1) && process.exitCode() == 0 &&
            QFileInfo(curlFile).size() == bodySize) {
            curlMs = timer.elapsed();
        } else {
            out << "curl: failed (" << process.exitCode() << ")\n";
        }
        QFile::remove(curlFile);
    }

    QT_EXT::QHttpExt engine;
    bool failed = true;
    QString error;
    QObject::connect(&engine, &QT_EXT::QHttpExt::sig_Finished, &app,
                     [&](const QT_EXT::QHttpExt::httpInfo *info) {
                         failed = !info || info->failed;
                         error = info ? info->error : QString();
                         app.quit();
                     });
    resetPeak();
    const qint64 rssBefore = statusKb("VmRSS");
    QElapsedTimer timer;
    timer.start();
    if (!engine.download(url, engineFile, false, true)) {
        out << "engine: could not start: " << engine.lastError() << '\n';
        return 1;
    }
    app.exec();
    const qint64 engineMs = timer.elapsed();
    const qint64 peak = statusKb("VmHWM");
    const qint64 written = QFileInfo(engineFile).size();
    QFile::remove(engineFile);
    if (failed || written != bodySize) {
        out << "engine: failed: " << error << " (" << written << " bytes)\n";
        return 1;
    }

    const double engineRate = mibPerSecond(bodySize, engineMs);
    out << "engine: " << engineMs << " ms, " << QString::number(engineRate, 'f', 1) << " MiB/s\n";
    if (curlMs >= 0) {
        const double curlRate = mibPerSecond(bodySize, curlMs);
        out << "curl:   " << curlMs << " ms, " << QString::number(curlRate, 'f', 1) << " MiB/s\n";
        out << "ratio engine/curl: " << QString::number(engineRate / curlRate, 'f', 3) << '\n';
    }
    out << "engine peak RSS growth: " << QString::number((peak - rssBefore) / 1024.0, 'f', 1)
        << " MiB (VmRSS before " << rssBefore << " kB, VmHWM " << peak << " kB)\n";
    return 0;
}
