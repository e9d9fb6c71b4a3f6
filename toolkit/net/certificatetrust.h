#pragma once

#include <QList>
#include <QSslError>
#include <QString>
#include <QStringList>
#include <QUrl>

class QNetworkReply;

namespace QT_EXT {

// Decides, once per host and port for the whole run, whether replies may go on despite
// certificate errors. The user is asked (default No); the answer, either way, holds for every
// later reply to that host and port, so nobody is asked again and again and no certificate is
// ever trusted silently.
class CertificateTrust
{
public:
    // For a manager's or a reply's sslErrors signal: lets the reply through (ignoreSslErrors)
    // when the user trusts its host and port; otherwise the reply fails with its SSL error.
    static void handleSslErrors(QNetworkReply *reply, const QList<QSslError> &errors);
    // The decision for the host and port of url, asking the user (with the error texts as
    // details) when there is none yet. False while the same question is already on screen.
    static bool isTrusted(const QUrl &url, const QStringList &errorTexts);

    // "host:port" of a URL, with the scheme's default port where it names none.
    static QString key(const QUrl &url);
    // The decision of this run for a key: trusted, refused, or not decided yet.
    enum class Decision
    {
        Undecided,
        Trusted,
        Refused,
    };
    static Decision decision(const QString &key);
    // Forgets every decision; for tests, which need a fresh run.
    static void forgetAll();
};

} // namespace QT_EXT
