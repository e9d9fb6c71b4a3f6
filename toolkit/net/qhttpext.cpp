#include "qhttpext.h"

#include "authenticationdialogform.h"
#include "certificatetrust.h"
#include "messages.h"
#include "netlogging.h"
#include "webaddress.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QSslConfiguration>
#include <QTime>
#include <QUrl>

#include <memory>

namespace QT_EXT {

namespace {

QString &processUserAgent()
{
    static QString agent;
    return agent;
}

QList<QSslCertificate> &processCaCertificates()
{
    static QList<QSslCertificate> certificates;
    return certificates;
}

bool isRedirectStatus(int code)
{
    return code == 301 || code == 302 || code == 303 || code == 307;
}

// The target of a reply that asks to be redirected, resolved against the reply's own URL;
// empty when the reply is no redirect.
QString redirectTarget(const QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || !isRedirectStatus(status.toInt()))
        return QString();
    const QString target =
        reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl().toString();
    if (target.isEmpty())
        return QString();
    return reply->url().resolved(QUrl(target)).toString();
}

// Content-Length of a reply whose body arrives as sent, or -1. A compressed body is unpacked
// by the manager, so its announced length says nothing about what we receive.
qint64 announcedLength(const QNetworkReply *reply)
{
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return -1;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    return length.isValid() ? length.toLongLong() : -1;
}

// The parameters as a query or form body, shared by get and post: entries with an empty value
// are left out, the others joined with "&", name and value percent-encoded as RFC 3986 asks
// (UTF-8, everything but letters, digits and "-._~"), so that "+", "#", "%", "&", "=" and
// non-ASCII text reach the server as given.
QByteArray joinParameters(const QMap<QString, QString> &parameters)
{
    QByteArray query;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        if (!query.isEmpty())
            query += '&';
        query += QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
    }
    return query;
}

} // namespace

QHttpExt::httpInfo::~httpInfo()
{
    delete file;
    if (reply)
        reply->deleteLater();
}

void QHttpExt::httpInfo::reset()
{
    delete file;
    file = nullptr;
    if (reply)
        reply->deleteLater();
    reply = nullptr;
    id = 0;
    failed = keepBinary = done = showErrors = false;
    url.clear();
    text.clear();
    error.clear();
    data.clear();
    redirectUrl.clear();
    redirects = 0;
    received = 0;
    abortReason.clear();
    range.clear();
    keptSize = 0;
    rewriting = false;
}

QHttpExt::QHttpExt(QObject *parent) : QObject(parent)
{
    // Redirects are followed here, one by one and counted; the manager must hand them over.
    m_manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(&m_manager, &QNetworkAccessManager::finished, this, &QHttpExt::slot_replyFinished);
    connect(&m_manager, &QNetworkAccessManager::authenticationRequired, this,
            &QHttpExt::slot_authenticationRequired);
    connect(&m_manager, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            &QHttpExt::slot_proxyAuthenticationRequired);
    connect(&m_manager, &QNetworkAccessManager::sslErrors, this, &QHttpExt::slot_NAM_sslErrors);
}

QHttpExt::~QHttpExt()
{
    // The manager is destroyed after this body, together with its replies; none of them may
    // call back into an engine whose members are already gone.
    m_manager.disconnect(this);
    for (httpInfo *info : qAsConst(m_transfers)) {
        if (info->reply)
            info->reply->disconnect(this);
        delete info;
    }
    m_transfers.clear();
    delete m_presetAuthenticator;
}

QUrl QHttpExt::makeUrl(const QString &url) const
{
    QUrl result;
    if (m_encodedUrlCheck && url.indexOf(QLatin1Char('%')) >= 1 &&
        !url.contains(QLatin1String("%26")) && !url.contains(QLatin1String("%3F"))) {
        result = QUrl::fromEncoded(url.toUtf8(), QUrl::StrictMode);
    } else {
        result.setUrl(url);
    }
    if (result.toString() == QLatin1String("?"))
        result.setUrl(url);
    return result;
}

bool QHttpExt::refuseAddress(const QUrl &url, bool showErrors)
{
    if (isWebAddress(url))
        return false;
    m_lastError = refusedAddressText(url.toString());
    // Nothing leaves: what was prepared for this request must not go with the next one.
    m_postData.clear();
    m_range.clear();
    m_keptSize = 0;
    if (showErrors)
        msgCritical(m_lastError);
    return true;
}

int QHttpExt::get(const QString &url, bool showErrors)
{
    m_lastError.clear();
    const QUrl address = makeUrl(url);
    if (!address.isValid()) {
        m_lastError = tr("Invalid URL: %1").arg(url);
        m_postData.clear();
        if (showErrors)
            msgCritical(m_lastError);
        return 0;
    }
    if (refuseAddress(address, showErrors))
        return 0;
    return request(url, nullptr, showErrors, nullptr);
}

int QHttpExt::download(const QString &url, const QString &fileName, bool showErrors, bool overwrite,
                       qint64 resumeFrom)
{
    if (url.isEmpty() || fileName.isEmpty())
        return 0;
    // Refused before the file is touched: neither the question nor a truncated file.
    if (refuseAddress(makeUrl(url), showErrors))
        return 0;
    if (!QFile::exists(fileName))
        resumeFrom = 0;
    if (resumeFrom == 0 && QFile::exists(fileName)) {
        if (!overwrite &&
            QMessageBox::question(nullptr, tr("Download"),
                                  tr("There already exists a file called %1 in the current "
                                     "directory. Overwrite?")
                                      .arg(fileName),
                                  QMessageBox::Ok | QMessageBox::Cancel,
                                  QMessageBox::Cancel) == QMessageBox::Cancel) {
            return 0;
        }
        QFile::remove(fileName);
    }

    // Unbuffered: every write reaches the file at once, so a full disk shows up at the write
    // that failed and not at some later flush.
    auto file = std::make_unique<QFile>(fileName);
    QIODevice::OpenMode mode = QIODevice::Unbuffered;
    if (resumeFrom != 0) {
        mode |= QIODevice::Append;
        m_range = QStringLiteral("bytes=%1-").arg(resumeFrom);
    } else {
        QFile::remove(fileName);
        mode |= QIODevice::WriteOnly;
    }
    if (!file->open(mode)) {
        if (showErrors) {
            QMessageBox::information(nullptr, tr("Error"),
                                     tr("Unable to save file.") + QLatin1String("<br><br>") +
                                         fileName + QLatin1String("<br><br>") +
                                         QLatin1String("<b>") + file->errorString() +
                                         QLatin1String("</b>"),
                                     QMessageBox::Ok);
        }
        m_lastError = file->errorString();
        m_range.clear();
        return 0;
    }
    // What earlier runs saved stays whatever becomes of this one.
    m_keptSize = resumeFrom != 0 ? file->size() : 0;
    const qint64 kept = m_keptSize;
    QFile *target = file.release();
    const int id = request(url, target, showErrors, nullptr);
    if (id == 0) {
        m_keptSize = 0;
        target->close();
        if (kept == 0)
            target->remove();
        delete target;
    }
    return id;
}

int QHttpExt::get(const QString &url, const QMap<QString, QString> &parameters, bool showErrors)
{
    const QByteArray query = joinParameters(parameters);
    QUrl address = makeUrl(url);
    if (query.isEmpty() || !address.isValid())
        return get(url, showErrors);
    // The encoded parameters join the address's own query, in front of any fragment; the
    // address is handed on fully encoded, so that nothing is decoded or encoded again.
    QString full = address.query(QUrl::FullyEncoded);
    if (!full.isEmpty() && !full.endsWith(QLatin1Char('&')))
        full += QLatin1Char('&');
    full += QString::fromLatin1(query);
    address.setQuery(full, QUrl::StrictMode);
    return get(QString::fromUtf8(address.toEncoded()), showErrors);
}

int QHttpExt::post(const QString &url, const QMap<QString, QString> &parameters, bool showErrors)
{
    m_postData = joinParameters(parameters);
    return get(url, showErrors);
}

int QHttpExt::post(const QString &url, const QByteArray &body, bool showErrors)
{
    m_postData = body;
    return get(url, showErrors);
}

int QHttpExt::send(QNetworkRequest &request, bool showErrors)
{
    return sendRequest(request, nullptr, showErrors, nullptr);
}

int QHttpExt::request(const QString &url, QFile *file, bool showErrors, httpInfo *existing)
{
    QNetworkRequest request(makeUrl(url));
    QString agent = m_userAgent;
    if (agent.isEmpty())
        agent = processUserAgent();
    if (agent.isEmpty())
        agent = browserUserAgent();
    request.setRawHeader("User-Agent", agent.toLatin1());
    if (m_acceptHeaders) {
        request.setRawHeader("Accept-Charset", "ISO-8859-1,utf-8;q=0.7,*;q=0.7");
        request.setRawHeader("Accept",
                             "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    }
    request.setRawHeader("Cache-Control", "no-cache");
    if (!m_range.isEmpty())
        request.setRawHeader("Range", m_range.toLatin1());
    else if (existing && !existing->range.isEmpty())
        request.setRawHeader("Range", existing->range);
    return sendRequest(request, file, showErrors, existing);
}

int QHttpExt::sendRequest(QNetworkRequest &request, QFile *file, bool showErrors,
                          httpInfo *existing)
{
    emit sig_Initializing(request);
    m_range.clear();
    const qint64 keptSize = m_keptSize;
    m_keptSize = 0;
    // Whoever made the request or changed it on its way: only web addresses are fetched.
    if (refuseAddress(request.url(), showErrors && !existing))
        return 0;
    if (!m_proxy.hostName().isEmpty())
        m_manager.setProxy(m_proxy);

    // The CA list is part of the request's configuration: a reply's configuration set after
    // the request left may no longer reach the connection.
    if (request.url().scheme().toLower() == QLatin1String("https") &&
        !processCaCertificates().isEmpty()) {
        QSslConfiguration ssl = request.sslConfiguration();
        ssl.setCaCertificates(processCaCertificates());
        request.setSslConfiguration(ssl);
    }

    QNetworkReply *reply = nullptr;
    if (!m_postData.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QStringLiteral("application/x-www-form-urlencoded;charset=UTF-8"));
        request.setHeader(QNetworkRequest::ContentLengthHeader, m_postData.size());
        reply = m_manager.post(request, m_postData);
    } else {
        reply = m_manager.get(request);
    }
    if (!reply)
        return 0;
    m_postData.clear();

    // A download is written as it arrives; a bounded read buffer makes the network wait for
    // the disk instead of piling the body up in memory.
    if (file || (existing && existing->file))
        reply->setReadBufferSize(4 * fileChunk);

    m_currentReply = reply;
    connect(reply, &QNetworkReply::readyRead, this, &QHttpExt::slot_ReadyRead);
    connect(reply, &QNetworkReply::downloadProgress, this, &QHttpExt::slot_readProgress64);
    connect(reply, &QNetworkReply::errorOccurred, this, &QHttpExt::slot_Error);
    connect(reply, &QNetworkReply::sslErrors, this, &QHttpExt::slot_SSLErrors);

    const QString url = request.url().toString();
    httpInfo *info = existing;
    if (!info) {
        info = new httpInfo;
        info->keepBinary = m_keepBinary;
        info->showErrors = showErrors;
        info->file = file;
        info->id = transferId(url);
        info->reply = reply;
        info->url = url;
        info->range = request.rawHeader("Range");
        info->keptSize = keptSize;
        m_transfers.append(info);
        const int id = info->id;
        emit sig_Started(info);
        emit signal_Started(info);
        // A listener may have removed the transfer already; it was started all the same.
        if (!m_transfers.contains(info))
            return id;
    }
    info->url = url;
    info->reply = reply;
    info->received = 0;
    return info->id;
}

int QHttpExt::transferId(const QString &url)
{
    quint32 hash = 0;
    for (int i = url.size() - 1; i >= 0; --i)
        hash = hash * 33 + url.at(i).unicode();
    const int id = int(hash + quint32(QTime::currentTime().msec()));
    // 0 tells the caller that nothing started.
    return id == 0 ? 1 : id;
}

void QHttpExt::abortAll()
{
    // Each abort finishes its reply at once, which may delete records of the list.
    QList<QPointer<QNetworkReply>> running;
    for (const httpInfo *info : qAsConst(m_transfers)) {
        if (!info->done && info->reply)
            running.append(info->reply);
    }
    for (const QPointer<QNetworkReply> &reply : qAsConst(running)) {
        if (reply && findByReply(reply))
            reply->abort();
    }
}

void QHttpExt::removeTransfer(int id)
{
    removeTransfer(findById(id));
}

void QHttpExt::removeTransfer(httpInfo *info)
{
    if (!info || !m_transfers.removeOne(info))
        return;
    if (info->reply)
        info->reply->disconnect(this);
    if (m_currentReply == info->reply)
        m_currentReply = nullptr;
    delete info;
}

QHttpExt::httpInfo *QHttpExt::findByReply(const QNetworkReply *reply) const
{
    for (httpInfo *info : m_transfers) {
        if (reply && info->reply == reply)
            return info;
    }
    return nullptr;
}

QHttpExt::httpInfo *QHttpExt::findById(int id) const
{
    for (httpInfo *info : m_transfers) {
        if (info->id == id && id != 0)
            return info;
    }
    return nullptr;
}

void QHttpExt::slot_ReadyRead()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    httpInfo *info = findByReply(reply);
    if (!info)
        return;
    if (isRedirectBody(info, reply)) {
        // Not part of what is fetched: dropped as it comes, so that a large one neither fills
        // the memory nor stalls a download behind its bounded read buffer.
        reply->skip(reply->bytesAvailable());
        return;
    }
    if (info->file) {
        qCDebug(lcNet, "QHttpExt::slot_ReadyRead writing to file...");
        writeAvailable(info, reply);
        return;
    }
    if (reply->bytesAvailable() > m_memoryLimit || announcedLength(reply) > m_memoryLimit) {
        abortTransfer(info,
                      tr("The reply is larger than the limit of %1 bytes.").arg(m_memoryLimit));
    }
}

bool QHttpExt::isRedirectBody(const httpInfo *info, const QNetworkReply *reply) const
{
    // A redirect to the address itself is not followed: its body is the answer.
    const QString target = redirectTarget(reply);
    return !target.isEmpty() && target != info->url;
}

void QHttpExt::writeAvailable(httpInfo *info, QNetworkReply *reply)
{
    // The body of a redirect that is followed (or that ends the transfer) is not part of the
    // download.
    if (isRedirectBody(info, reply)) {
        reply->skip(reply->bytesAvailable());
        return;
    }
    if (info->received == 0 && !info->range.isEmpty() && !info->rewriting &&
        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200) {
        // The server ignored the range and sends the whole body: it is written from the file's
        // start, over the bytes saved before, which stay until they are overwritten. The file
        // was opened to append, which writes at the end wherever it is positioned.
        info->rewriting = true;
        info->file->close();
        if (!info->file->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
            abortTransfer(info, info->file->errorString());
            return;
        }
    }
    if (m_chunk.size() != fileChunk)
        m_chunk.resize(fileChunk);
    while (reply->bytesAvailable() > 0) {
        const qint64 count = reply->read(m_chunk.data(), m_chunk.size());
        if (count <= 0)
            break;
        qint64 written = 0;
        while (written < count) {
            const qint64 step = info->file->write(m_chunk.constData() + written, count - written);
            if (step <= 0)
                break;
            written += step;
        }
        info->received += written;
        if (written < count) {
            QString reason = info->file->errorString();
            if (info->file->error() == QFileDevice::NoError)
                reason = tr("Unable to write the file %1.").arg(info->file->fileName());
            abortTransfer(info, reason);
            return;
        }
    }
}

void QHttpExt::abortTransfer(httpInfo *info, const QString &reason)
{
    qCDebug(lcNet).noquote()
        << QStringLiteral("QHttpExt::abortTransfer %1: %2").arg(info->id).arg(reason);
    info->abortReason = reason;
    // abort() finishes the reply right here: the record is reset before this returns.
    info->reply->abort();
}

void QHttpExt::slot_readProgress64(qint64 bytesReceived, qint64 bytesTotal)
{
    emit sig_ReadProgress(bytesReceived, bytesTotal);
}

void QHttpExt::slot_Error(QNetworkReply::NetworkError code)
{
    qCDebug(lcNet) << "QHttpExt::slot_Error" << int(code);
}

void QHttpExt::slot_SSLErrors(const QList<QSslError> &errors)
{
    for (const QSslError &error : errors)
        qCDebug(lcNet).noquote() << QStringLiteral("QHttpExt::slot_sslErrors ") +
                                        error.errorString();
}

void QHttpExt::slot_NAM_sslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
    // The user decides once per host and port for the whole run; nothing is let through
    // without asking.
    CertificateTrust::handleSslErrors(reply, errors);
}

void QHttpExt::slot_replyFinished(QNetworkReply *reply)
{
    httpInfo *info = findByReply(reply);
    bool throughMap = false;
    if (!info && m_redirectMap.contains(reply)) {
        info = findById(m_redirectMap.take(reply));
        throughMap = true;
    }
    m_redirectMap.remove(reply);
    if (!info) {
        qCDebug(lcNet, "QHttpExt::slot_replyFinished - failed to find reply");
        deleteDone();
        emit sig_Finished(nullptr);
        emit signal_Finished(nullptr);
        return;
    }
    if (!throughMap && followRedirect(info))
        return;

    qCDebug(lcNet) << "QHttpExt::slot_replyFinished" << info->id;
    bool failed = reply->error() != QNetworkReply::NoError || !info->abortReason.isEmpty();
    if (!failed && info->file)
        writeAvailable(info, reply);
    // writeAvailable may have ended the transfer itself.
    if (!m_transfers.contains(info) || info->done)
        return;
    failed = failed || !info->abortReason.isEmpty();

    QString error;
    if (!failed) {
        const qint64 announced = announcedLength(reply);
        if (info->file) {
            if (announced >= 0 && info->received < announced)
                failed = true;
        } else {
            info->data = reply->readAll();
            if (info->data.size() > m_memoryLimit) {
                failed = true;
                info->abortReason =
                    tr("The reply is larger than the limit of %1 bytes.").arg(m_memoryLimit);
            } else if (announced >= 0 && info->data.size() < announced) {
                failed = true;
            }
            if (failed)
                info->data.clear();
            else if (!info->keepBinary)
                info->text = QString::fromUtf8(info->data);
        }
        if (failed && info->abortReason.isEmpty())
            error = errorText(QNetworkReply::RemoteHostClosedError);
    }
    if (info->file) {
        // A body written over a longer file of an earlier run ends where the body ends.
        if (!failed && info->rewriting && info->file->size() > info->received &&
            !info->file->resize(info->received)) {
            failed = true;
            error = info->file->errorString();
        }
        info->file->close();
    }
    if (failed) {
        if (!info->abortReason.isEmpty())
            error = info->abortReason;
        else if (error.isEmpty())
            error = errorText(reply->error());
        if (error.isEmpty())
            error = reply->errorString();
        m_lastError = error;
        if (info->file) {
            // A fresh download leaves nothing; a resumed one keeps what the runs before it
            // saved and loses only what this run wrote.
            if (info->keptSize > 0)
                info->file->resize(info->keptSize);
            else
                info->file->remove();
        }
        if (info->showErrors) {
            // The box runs a nested event loop in which the record may be removed.
            msgCritical(error);
            if (!m_transfers.contains(info))
                return;
        }
    }
    info->error = error;
    info->failed = failed;

    emit sig_Finished(info);
    emit signal_Finished(info);
    if (m_currentReply == reply)
        m_currentReply = nullptr;
    deleteDone();
    if (m_transfers.contains(info)) {
        info->reset();
        info->done = true;
    }
}

bool QHttpExt::followRedirect(httpInfo *info)
{
    if (!info || !info->reply)
        return false;
    QNetworkReply *previous = info->reply;
    const QString target = redirectTarget(previous);
    if (target.isEmpty() || target == info->url)
        return false;
    // Only web addresses, and an encrypted transfer stays encrypted: a redirect must not make
    // the engine read a local file or send on in clear text what was asked for in private.
    if (!isWebAddress(QUrl(target))) {
        info->abortReason = tr("Redirect to a non-web address refused: %1").arg(target);
        return false;
    }
    if (!isAllowedRedirect(previous->url(), QUrl(target))) {
        info->abortReason = tr("Redirect from https to http refused: %1").arg(target);
        return false;
    }
    if (info->redirects >= maxRedirects) {
        info->abortReason =
            tr("Too many redirects: the transfer was stopped after %1.").arg(maxRedirects);
        return false;
    }
    ++info->redirects;
    info->redirectUrl = target;
    m_lastError.clear();
    const int id = request(target, info->file, info->showErrors, info);
    if (id == 0 || info->reply == previous) {
        info->abortReason = m_lastError.isEmpty() ? tr("Invalid URL: %1").arg(target) : m_lastError;
        return false;
    }
    m_redirectMap.insert(info->reply, id);
    previous->disconnect(this);
    previous->deleteLater();
    return true;
}

void QHttpExt::deleteDone()
{
    for (int i = m_transfers.size() - 1; i >= 0; --i) {
        if (!m_transfers.at(i)->done)
            continue;
        delete m_transfers.takeAt(i);
        qCDebug(lcNet) << "Deleting HttpInfo - remaining:" << m_transfers.size();
    }
}

bool QHttpExt::askCredentials(const QString &realm, const QString &site,
                              QAuthenticator *authenticator)
{
    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);
    form.passwordEdit->setEchoMode(QLineEdit::Password);
    dialog.adjustSize();
    form.siteDescription->setText(tr("%1 at %2").arg(realm, site));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    authenticator->setUser(form.userEdit->text());
    authenticator->setPassword(form.passwordEdit->text());
    return true;
}

void QHttpExt::slot_authenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator)
{
    if (m_presetAuthenticator) {
        authenticator->setUser(m_presetAuthenticator->user());
        authenticator->setPassword(m_presetAuthenticator->password());
        return;
    }
    askCredentials(authenticator->realm(), reply->url().toString(), authenticator);
}

void QHttpExt::slot_proxyAuthenticationRequired(const QNetworkProxy &proxy,
                                                QAuthenticator *authenticator)
{
    askCredentials(authenticator->realm(), proxy.hostName(), authenticator);
}

bool QHttpExt::downloadImage(const QString &url, QPixmap *target)
{
    if (!isWebAddress(QUrl(url))) {
        m_lastError = refusedAddressText(url);
        return false;
    }
    auto *manager = new QNetworkAccessManager(this);
    manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(manager, &QNetworkAccessManager::finished, this, &QHttpExt::slot_downloadImageFinished);
    QNetworkReply *reply = manager->get(QNetworkRequest(QUrl(url)));
    if (!reply) {
        delete manager;
        return false;
    }
    m_imageTarget = target;
    QCoreApplication::processEvents();
    if (!reply->isFinished()) {
        QEventLoop loop;
        connect(manager, &QNetworkAccessManager::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    m_imageTarget = nullptr;
    delete manager;
    return true;
}

void QHttpExt::slot_downloadImageFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (m_imageTarget)
        m_imageTarget->loadFromData(reply->readAll());
}

void QHttpExt::setProxy(const QNetworkProxy &proxy)
{
    m_proxy = proxy;
    if (m_proxy.type() == QNetworkProxy::DefaultProxy)
        m_proxy.setType(QNetworkProxy::HttpProxy);
}

void QHttpExt::setAuthenticator(const QAuthenticator &authenticator)
{
    if (!m_presetAuthenticator)
        m_presetAuthenticator = new QAuthenticator;
    *m_presetAuthenticator = authenticator;
}

void QHttpExt::setCredentials(const QString &user, const QString &password)
{
    if (!m_presetAuthenticator)
        m_presetAuthenticator = new QAuthenticator;
    m_presetAuthenticator->setUser(user);
    m_presetAuthenticator->setPassword(password);
}

void QHttpExt::setDefaultUserAgent(const QString &agent)
{
    processUserAgent() = agent;
}

QString QHttpExt::defaultUserAgent()
{
    return processUserAgent();
}

QString QHttpExt::browserUserAgent()
{
    return QStringLiteral("Mozilla/5.0 (Windows; U; Windows NT 6.0; en-US; rv:1.9.2.3) "
                          "Gecko/20100401 Firefox/3.6.3");
}

void QHttpExt::setCaCertificates(const QList<QSslCertificate> &certificates)
{
    processCaCertificates() = certificates;
}

QList<QSslCertificate> QHttpExt::caCertificates()
{
    return processCaCertificates();
}

QString QHttpExt::refusedAddressText(const QString &address)
{
    return tr("Not a web address, refused: %1").arg(address);
}

QString QHttpExt::errorText(QNetworkReply::NetworkError code)
{
    switch (int(code)) {
    case 0:
        return QStringLiteral("No error condition. Note: When the HTTP protocol returns a redirect "
                              "no error will be reported. You can check if there is a redirect "
                              "with the QNetworkRequest::RedirectionTargetAttribute attribute.");
    case 1:
        return QStringLiteral(
            "The remote server refused the connection (the server is not accepting requests)");
    case 2:
        return QStringLiteral("The remote server closed the connection prematurely, before the "
                              "entire reply was received and processed");
    case 3:
        return QStringLiteral("The remote host name was not found (invalid hostname)");
    case 4:
        return QStringLiteral("The connection to the remote server timed out");
    case 5:
        return QStringLiteral("The operation was canceled via calls to abort() or close() before "
                              "it was finished.");
    case 6:
        return QStringLiteral("The SSL/TLS handshake failed and the encrypted channel could not be "
                              "established. The sslErrors() signal should have been emitted.");
    case 99:
        return QStringLiteral("An unknown network-related error was detected");
    case 101:
        return QStringLiteral("The connection to the proxy server was refused (the proxy server is "
                              "not accepting requests)");
    case 102:
        return QStringLiteral("The proxy server closed the connection prematurely, before the "
                              "entire reply was received and processed");
    case 103:
        return QStringLiteral("The proxy host name was not found (invalid proxy hostname)");
    case 104:
        return QStringLiteral("The connection to the proxy timed out or the proxy did not reply in "
                              "time to the request sent");
    case 105:
        return QStringLiteral("The proxy requires authentication in order to honour the request "
                              "but did not accept any credentials offered (if any)");
    case 199:
        return QStringLiteral("An unknown proxy-related error was detected");
    case 201:
        return QStringLiteral(
            "The access to the remote content was denied (similar to HTTP error 401)");
    case 202:
        return QStringLiteral("The operation requested on the remote content is not permitted");
    case 203:
        return QStringLiteral(
            "The remote content was not found at the server (similar to HTTP error 404)");
    case 204:
        return QStringLiteral("The remote server requires authentication to serve the content but "
                              "the credentials provided were not accepted (if any)");
    case 205:
        return QStringLiteral("The request needed to be sent again, but this failed for example "
                              "because the upload data could not be read a second time.");
    case 299:
        return QStringLiteral("An unknown error related to the remote content was detected");
    case 301:
        return QStringLiteral(
            "The Network Access API cannot honor the request because the protocol is not known");
    case 302:
        return QStringLiteral("The requested operation is invalid for this protocol");
    case 399:
        return QStringLiteral("A breakdown in protocol was detected (parsing error, invalid or "
                              "unexpected responses, etc.)");
    default:
        return QString();
    }
}

} // namespace QT_EXT
