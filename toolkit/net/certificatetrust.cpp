#include "certificatetrust.h"

#include "messages.h"
#include "netlogging.h"

#include <QCoreApplication>
#include <QDebug>
#include <QHash>
#include <QNetworkReply>
#include <QPointer>
#include <QSet>
#include <QUrl>

namespace QT_EXT {

namespace {

QHash<QString, bool> &decisions()
{
    static QHash<QString, bool> answers;
    return answers;
}

// Keys whose question is on screen: a reply to the same host and port meanwhile fails rather
// than stacking a second question on the first.
QSet<QString> &openQuestions()
{
    static QSet<QString> keys;
    return keys;
}

bool askUser(const QUrl &url, const QStringList &errorTexts)
{
    const QString text =
        QCoreApplication::translate(
            "CertificateTrust",
            "The certificate of %1 (port %2) cannot be trusted. Connect anyway?")
            .arg(url.host(), CertificateTrust::key(url).section(QLatin1Char(':'), -1));
    const QString details = errorTexts.join(QLatin1Char('\n'));
    return msgWarningYesNo(text, &details) == QMessageBox::Yes;
}

} // namespace

QString CertificateTrust::key(const QUrl &url)
{
    const int defaultPort =
        url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80;
    return url.host() + QLatin1Char(':') + QString::number(url.port(defaultPort));
}

CertificateTrust::Decision CertificateTrust::decision(const QString &key)
{
    const auto found = decisions().constFind(key);
    if (found == decisions().cend())
        return Decision::Undecided;
    return *found ? Decision::Trusted : Decision::Refused;
}

bool CertificateTrust::isTrusted(const QUrl &url, const QStringList &errorTexts)
{
    const QString hostKey = key(url);
    switch (decision(hostKey)) {
    case Decision::Trusted:
        return true;
    case Decision::Refused:
        return false;
    case Decision::Undecided:
        break;
    }
    if (openQuestions().contains(hostKey)) {
        qCDebug(lcNet).noquote() << QStringLiteral(
                                        "CertificateTrust::isTrusted %1 waits for an open "
                                        "question; this request fails")
                                        .arg(hostKey);
        return false;
    }
    openQuestions().insert(hostKey);
    const bool trusted = askUser(url, errorTexts);
    openQuestions().remove(hostKey);
    decisions().insert(hostKey, trusted);
    return trusted;
}

void CertificateTrust::handleSslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
    QStringList texts;
    for (const QSslError &error : errors)
        texts.append(error.errorString());
    // The question runs a nested event loop, in which the reply may go away.
    QPointer<QNetworkReply> guarded(reply);
    if (isTrusted(reply->url(), texts) && guarded)
        guarded->ignoreSslErrors();
}

void CertificateTrust::forgetAll()
{
    decisions().clear();
}

} // namespace QT_EXT
