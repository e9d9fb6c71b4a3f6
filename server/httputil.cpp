#include "httputil.h"

#include <QFile>
#include <QFileInfo>

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

namespace HttpUtil {

QString param(const httplib::Request &req, const char *name)
{
    return req.has_param(name) ? fromStd(req.get_param_value(name)) : QString();
}

QString rawParam(const httplib::Request &req, const char *name)
{
    const std::string &target = req.target;
    const size_t question = target.find('?');
    if (question == std::string::npos) {
        return QString();
    }
    const QByteArray query = QByteArray::fromStdString(target.substr(question + 1));
    const QByteArray key = QByteArray(name) + '=';
    const QList<QByteArray> items = query.split('&');
    for (const QByteArray &item : items) {
        if (item.startsWith(key)) {
            QByteArray value = item.mid(key.size());
            value.replace('+', ' ');
            return QString::fromUtf8(QByteArray::fromPercentEncoding(value));
        }
    }
    return QString();
}

void sendText(httplib::Response &res, int status, const QString &body, const char *mimeType)
{
    res.status = status;
    std::string type = mimeType;
    if (type.rfind("text/", 0) == 0 || type == "application/json" ||
        type == "application/javascript") {
        type += "; charset=utf-8";
    }
    res.set_content(toStd(body), type.c_str());
}

void sendHtml(httplib::Response &res, int status, const QString &title, const QString &bodyHtml)
{
    const QString page = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                                        "<title>%1</title></head>\n<body>\n%2\n</body></html>\n")
                             .arg(title.toHtmlEscaped(), bodyHtml);
    sendText(res, status, page, "text/html");
}

void sendFile(const httplib::Request &req, httplib::Response &res, const QString &path,
              const QString &mimeType, long long bytesPerSecond)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        sendText(res, 404, QStringLiteral("Not found\n"), "text/plain");
        return;
    }
    const auto size = static_cast<size_t>(info.size());
    res.set_header("Accept-Ranges", "bytes");
    // A range that starts past the end cannot be served; say so instead of sending nothing.
    for (const auto &range : req.ranges) {
        const bool suffix = range.first < 0;
        const bool startsPastEnd = !suffix && static_cast<size_t>(range.first) >= size;
        const bool reversed = range.second >= 0 && range.first > range.second;
        if (startsPastEnd || reversed || size == 0) {
            res.status = 416;
            res.set_header("Content-Range", "bytes */" + std::to_string(size));
            return;
        }
    }
    auto stream =
        std::make_shared<std::ifstream>(path.toLocal8Bit().toStdString(), std::ios::binary);
    if (!*stream) {
        sendText(res, 500, QStringLiteral("Cannot read the file\n"), "text/plain");
        return;
    }
    // A limited rate goes out in ten pieces a second.
    const size_t piece =
        bytesPerSecond > 0 ? std::max<size_t>(1, static_cast<size_t>(bytesPerSecond / 10)) : 0;
    res.set_content_provider(
        size, toStd(mimeType),
        [stream, piece](size_t offset, size_t length, httplib::DataSink &sink) {
            char buffer[64 * 1024];
            stream->clear();
            stream->seekg(static_cast<std::streamoff>(offset));
            size_t chunk = std::min(length, sizeof buffer);
            if (piece > 0) {
                chunk = std::min(chunk, piece);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            stream->read(buffer, static_cast<std::streamsize>(chunk));
            const std::streamsize got = stream->gcount();
            if (got <= 0) {
                return false;
            }
            sink.write(buffer, static_cast<size_t>(got));
            return true;
        });
}

bool readTemplate(const QString &path, QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    text = QString::fromUtf8(file.readAll());
    return true;
}

QString jsString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '<':
        case '>':
        case '&':
        case '\'':
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029) {
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    out += QLatin1Char('"');
    return out;
}

} // namespace HttpUtil
