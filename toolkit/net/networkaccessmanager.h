#pragma once

#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSslError>
#include <QStringList>

class QAuthenticator;

namespace QT_EXT {

// The network access of the toolkit's web pages: applies the proxy of the settings group
// "proxy", marks every request with a fixed pipelining and cache policy, refuses
// authentication with a message box, lets certificate errors through only where the user
// trusts the host (CertificateTrust), and keeps a request statistic when
// finished(QNetworkReply*) is connected to requestFinished.
class NetworkAccessManager : public QNetworkAccessManager
{
    Q_OBJECT

public:
    explicit NetworkAccessManager(QObject *parent = nullptr);
    ~NetworkAccessManager() override;

    // The process-wide instance, created on first demand; the settings store hands it out too.
    static NetworkAccessManager *shared();

    // Installs a disk cache in path and prefers cached answers from then on.
    void setCacheDirectory(const QString &path);
    void setCacheLoadControl(int control);
    int currentCacheLoadControl() const { return cacheLoadControl; }

    qint64 totalRequests() const { return requestCount; }
    qint64 requestsFromCache() const { return fromCacheCount; }
    qint64 pipelinedRequests() const { return pipelinedCount; }
    qint64 secureRequests() const { return secureCount; }

public slots:
    // Reads the proxy settings again; call it after they change.
    void loadSettings();
    void requestFinished(QNetworkReply *reply);

private slots:
    void authenticationRequired(QNetworkReply *reply, QAuthenticator *auth);
    void proxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *auth);
    void sslErrors(QNetworkReply *reply, const QList<QSslError> &error);

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *outgoingData) override;

private:
    qint64 requestCount = 0;
    qint64 fromCacheCount = 0;
    qint64 pipelinedCount = 0;
    qint64 secureCount = 0;
    int cacheLoadControl = QNetworkRequest::PreferNetwork;
};

} // namespace QT_EXT
