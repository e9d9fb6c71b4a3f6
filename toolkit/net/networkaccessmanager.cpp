#include "networkaccessmanager.h"

#include "certificatetrust.h"
#include "messages.h"
#include "netlogging.h"
#include "proxysettings.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSettings>
#include <QUrl>

namespace QT_EXT {

NetworkAccessManager::NetworkAccessManager(QObject *parent) : QNetworkAccessManager(parent)
{
    connect(this, &QNetworkAccessManager::sslErrors, this, &NetworkAccessManager::sslErrors);
    connect(this, &QNetworkAccessManager::authenticationRequired, this,
            &NetworkAccessManager::authenticationRequired);
    connect(this, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            &NetworkAccessManager::proxyAuthenticationRequired);
    // A redirect is the requester's to follow, as it always was.
    setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    loadSettings();
    cacheLoadControl = QNetworkRequest::PreferNetwork;
}

NetworkAccessManager::~NetworkAccessManager() = default;

NetworkAccessManager *NetworkAccessManager::shared()
{
    // The shared instance belongs to the application object, so it outlives every page that
    // uses it; should it ever be destroyed, the next call creates a new one instead of handing
    // out a dangling pointer.
    static QPointer<NetworkAccessManager> instance;
    if (!instance)
        instance = new NetworkAccessManager(QCoreApplication::instance());
    return instance;
}

void NetworkAccessManager::loadSettings()
{
    setProxy(configuredProxy());
}

void NetworkAccessManager::setCacheDirectory(const QString &path)
{
    auto *diskCache = new QNetworkDiskCache(this);
    diskCache->setCacheDirectory(path);
    setCache(diskCache);
    cacheLoadControl = QNetworkRequest::PreferCache;
}

void NetworkAccessManager::setCacheLoadControl(int control)
{
    cacheLoadControl = control;
}

QNetworkReply *NetworkAccessManager::createRequest(Operation op, const QNetworkRequest &request,
                                                   QIODevice *outgoingData)
{
    QNetworkRequest marked(request);
    marked.setAttribute(QNetworkRequest::HttpPipeliningAllowedAttribute, false);
    marked.setAttribute(QNetworkRequest::CacheLoadControlAttribute, cacheLoadControl);
    return QNetworkAccessManager::createRequest(op, marked, outgoingData);
}

void NetworkAccessManager::requestFinished(QNetworkReply *reply)
{
    ++requestCount;
    if (reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool())
        ++fromCacheCount;
    if (reply->attribute(QNetworkRequest::HttpPipeliningWasUsedAttribute).toBool())
        ++pipelinedCount;
    if (reply->attribute(QNetworkRequest::ConnectionEncryptedAttribute).toBool())
        ++secureCount;

    if (requestCount % 10 == 0) {
        const double total = static_cast<double>(requestCount);
        qCDebug(lcNet,
                "STATS [%lli requests total] [%3.2f%% from cache] [%3.2f%% pipelined] [%3.2f%% "
                "SSL/TLS]",
                static_cast<long long>(requestCount), fromCacheCount * 100.0 / total,
                pipelinedCount * 100.0 / total, secureCount * 100.0 / total);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void NetworkAccessManager::authenticationRequired(QNetworkReply *, QAuthenticator *)
{
    msgCritical(tr("Authentication Required"));
}

void NetworkAccessManager::proxyAuthenticationRequired(const QNetworkProxy &, QAuthenticator *)
{
    msgCritical(tr("Proxy Authentication Required"));
}

void NetworkAccessManager::sslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
    CertificateTrust::handleSslErrors(reply, errors);
}

} // namespace QT_EXT
