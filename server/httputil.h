#pragma once

#include <QString>

#include <string>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

// Small helpers shared by the two sites of site-server.
namespace HttpUtil {

inline std::string toStd(const QString &text)
{
    return text.toUtf8().toStdString();
}

inline QString fromStd(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The value of a query parameter, decoded; empty when absent.
QString param(const httplib::Request &req, const char *name);

// The same, but the value runs to the next '&' even when it holds '=' itself, as an address
// that was put into a query without encoding does.
QString rawParam(const httplib::Request &req, const char *name);

// A text body with a charset for text types.
void sendText(httplib::Response &res, int status, const QString &body, const char *mimeType);
void sendHtml(httplib::Response &res, int status, const QString &title, const QString &bodyHtml);

// Serves a file with Content-Length and byte ranges. The path must be one the caller built
// itself, never one taken from a request. Answers 404 when the file does not exist. A positive
// bytesPerSecond sends the body no faster than that.
void sendFile(const httplib::Request &req, httplib::Response &res, const QString &path,
              const QString &mimeType, long long bytesPerSecond = 0);

// A template file from the web folder with {{NAME}} placeholders filled in.
bool readTemplate(const QString &path, QString &text);

// A text as a double-quoted JavaScript / JSON string literal that is safe inside <script>.
QString jsString(const QString &text);

} // namespace HttpUtil
