#pragma once

#include <QAuthenticator>
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QSslCertificate>
#include <QSslError>
#include <QString>

class QFile;
class QPixmap;

namespace QT_EXT {

// HTTP client of the toolkit: fetches a URL into memory or into a file, with progress, redirects,
// authentication prompts and the certificate question. Each transfer is tracked by an httpInfo
// record that listeners see when it starts and when it ends. Runs on the GUI thread only.
class QHttpExt : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QHttpExt)

public:
    // One transfer. Owned by the engine; a pointer handed out with sig_Finished is valid only
    // during the emission.
    struct httpInfo
    {
        QFile *file = nullptr; // owned; null for a transfer into memory
        int id = 0;
        bool failed = false;
        bool keepBinary = false;
        bool done = false;
        bool showErrors = false;
        QString url;
        QString text;
        QString error;
        QByteArray data;
        QString redirectUrl;
        QNetworkReply *reply = nullptr;

        // Bookkeeping of the engine.
        int redirects = 0;      // redirects followed so far
        qint64 received = 0;    // body bytes of the current reply written to the file
        QString abortReason;    // why the engine ended the reply itself (write failure, size)
        QByteArray range;       // Range header of a resumed download, repeated on redirects
        qint64 keptSize = 0;    // size of a resumed file before this run; kept when it fails
        bool rewriting = false; // a resumed file written again from its start (range ignored)

        httpInfo() = default;
        ~httpInfo();
        httpInfo(const httpInfo &) = delete;
        httpInfo &operator=(const httpInfo &) = delete;

        void reset();
    };

    explicit QHttpExt(QObject *parent = nullptr);
    ~QHttpExt() override;

    // Transfers: each returns the transfer id, or 0 when nothing was started. Only web
    // addresses (http, https) are fetched, and only redirects to web addresses are followed,
    // never one from https to http; anything else fails with lastError() or the record's error.
    // A download that fails leaves no file, or a resumed one as it was before (resumeFrom).
    // Parameters are percent-encoded (RFC 3986): each value reaches the server as given.
    int get(const QString &url, bool showErrors = true);
    int download(const QString &url, const QString &fileName, bool showErrors = true,
                 bool overwrite = false, qint64 resumeFrom = 0);
    int get(const QString &url, const QMap<QString, QString> &parameters, bool showErrors = true);
    int post(const QString &url, const QMap<QString, QString> &parameters, bool showErrors = true);
    int post(const QString &url, const QByteArray &body, bool showErrors = true);
    int send(QNetworkRequest &request, bool showErrors = true);
    // Synchronous: runs a nested event loop until the image has arrived.
    bool downloadImage(const QString &url, QPixmap *target);

    void abortAll();
    void removeTransfer(int id);
    void removeTransfer(httpInfo *info);

    QString lastError() const { return m_lastError; }
    void setLastError(const QString &error) { m_lastError = error; }
    static QString errorText(QNetworkReply::NetworkError code);
    // What the user is told of an address that is not fetched because it is no web address
    // (see webaddress.h); also for addresses checked before they reach the engine.
    static QString refusedAddressText(const QString &address);
    // Asks for a user name and password in the authentication dialog and puts them into
    // authenticator; false when the user cancels. Also asked for the pages' servers and proxies.
    static bool askCredentials(const QString &realm, const QString &site,
                               QAuthenticator *authenticator);

    void setKeepBinary(bool keep) { m_keepBinary = keep; }
    void setAcceptHeaders(bool send) { m_acceptHeaders = send; }
    void setEncodedUrlCheck(bool check) { m_encodedUrlCheck = check; }
    void setUserAgent(const QString &agent) { m_userAgent = agent; }
    QString userAgent() const { return m_userAgent; }
    void setProxy(const QNetworkProxy &proxy);
    void setAuthenticator(const QAuthenticator &authenticator);
    void setCredentials(const QString &user, const QString &password);
    // A transfer into memory whose body grows past this many bytes is aborted and fails.
    void setMemoryLimit(qint64 bytes) { m_memoryLimit = bytes; }
    qint64 memoryLimit() const { return m_memoryLimit; }

    static void setDefaultUserAgent(const QString &agent);
    static QString defaultUserAgent();
    static QString browserUserAgent();
    static void setCaCertificates(const QList<QSslCertificate> &certificates);
    static QList<QSslCertificate> caCertificates();

    // Longest redirect chain a transfer follows before it fails.
    static constexpr int maxRedirects = 10;

signals:
    void sig_Initializing(QNetworkRequest &request);
    void sig_Started(const QT_EXT::QHttpExt::httpInfo *info);
    void sig_Finished(const QT_EXT::QHttpExt::httpInfo *info);
    void signal_Started(const QT_EXT::QHttpExt::httpInfo *info);
    void signal_Finished(const QT_EXT::QHttpExt::httpInfo *info);
    void sig_ReadProgress(qint64 bytesReceived, qint64 bytesTotal);

public slots:
    void slot_replyFinished(QNetworkReply *reply);
    void slot_ReadyRead();
    void slot_readProgress64(qint64 bytesReceived, qint64 bytesTotal);
    void slot_Error(QNetworkReply::NetworkError code);
    void slot_SSLErrors(const QList<QSslError> &errors);
    void slot_NAM_sslErrors(QNetworkReply *reply, const QList<QSslError> &errors);
    void slot_authenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator);
    void slot_proxyAuthenticationRequired(const QNetworkProxy &proxy,
                                          QAuthenticator *authenticator);
    void slot_downloadImageFinished(QNetworkReply *reply);

private:
    QUrl makeUrl(const QString &url) const;
    int request(const QString &url, QFile *file, bool showErrors, httpInfo *existing);
    int sendRequest(QNetworkRequest &request, QFile *file, bool showErrors, httpInfo *existing);
    bool followRedirect(httpInfo *info);
    httpInfo *findByReply(const QNetworkReply *reply) const;
    httpInfo *findById(int id) const;
    void deleteDone();
    void writeAvailable(httpInfo *info, QNetworkReply *reply);
    void abortTransfer(httpInfo *info, const QString &reason);
    bool isRedirectBody(const httpInfo *info, const QNetworkReply *reply) const;
    bool refuseAddress(const QUrl &url, bool showErrors);
    static int transferId(const QString &url);

    static constexpr qint64 fileChunk = 256 * 1024;

    QNetworkAccessManager m_manager;
    QNetworkReply *m_currentReply = nullptr;
    QString m_lastError;
    QByteArray m_postData;
    QString m_range;
    qint64 m_keptSize = 0; // the size of the resumed file for the next request
    bool m_keepBinary = false;
    bool m_acceptHeaders = false;
    bool m_encodedUrlCheck = true;
    QMap<QNetworkReply *, int> m_redirectMap;
    QList<httpInfo *> m_transfers;
    QString m_userAgent;
    QPixmap *m_imageTarget = nullptr;
    QNetworkProxy m_proxy;
    QAuthenticator *m_presetAuthenticator = nullptr; // owned, created on first use
    qint64 m_memoryLimit = 64 * 1024 * 1024;
    QByteArray m_chunk; // reused between reads of file downloads
};

} // namespace QT_EXT

Q_DECLARE_METATYPE(const QT_EXT::QHttpExt::httpInfo *)
