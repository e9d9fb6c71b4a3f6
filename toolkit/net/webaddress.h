#pragma once

#include <QString>
#include <QUrl>

// The one rule for what the program fetches: web addresses only. QtCore only, so that readers
// of outside input that stay free of the network (the watch page analysis) can apply it too.

namespace QT_EXT {

// True for an http or https address with a host: nothing else (file, ftp, data, qrc, ...) is
// fetched, whoever names it (a caller, a redirect, a watch page, a drop).
inline bool isWebAddress(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

inline bool isWebAddress(const QString &address)
{
    return isWebAddress(QUrl(address));
}

// True when a transfer at from may follow a redirect to to: to is a web address, and an
// encrypted transfer stays encrypted (no https to http).
inline bool isAllowedRedirect(const QUrl &from, const QUrl &to)
{
    if (!isWebAddress(to))
        return false;
    return !(from.scheme().toLower() == QLatin1String("https") &&
             to.scheme().toLower() != QLatin1String("https"));
}

} // namespace QT_EXT
