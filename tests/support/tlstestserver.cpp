#include "tlstestserver.h"

#include <QFile>
#include <QProcess>
#include <QSslSocket>
#include <QTemporaryDir>

#include <memory>

namespace {

struct Identity
{
    QSslCertificate certificate;
    QSslKey key;
    QString error;
};

Identity makeIdentity()
{
    Identity identity;
    QTemporaryDir dir;
    const QString keyPath = dir.filePath(QStringLiteral("key.pem"));
    const QString certPath = dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   keyPath, QStringLiteral("-out"), certPath, QStringLiteral("-days"),
                   QStringLiteral("1"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost")});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
        identity.error = QStringLiteral("openssl could not make a certificate");
        return identity;
    }
    QFile certFile(certPath), keyFile(keyPath);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        identity.error = QStringLiteral("cannot read the certificate files");
        return identity;
    }
    identity.certificate = QSslCertificate(&certFile, QSsl::Pem);
    identity.key = QSslKey(&keyFile, QSsl::Rsa, QSsl::Pem);
    if (identity.certificate.isNull() || identity.key.isNull())
        identity.error = QStringLiteral("the certificate files are unreadable");
    return identity;
}

} // namespace

bool TlsTestServer::start(QString &error)
{
    if (!QSslSocket::supportsSsl()) {
        error = QStringLiteral("no TLS support in this Qt build");
        return false;
    }
    static const Identity identity = makeIdentity();
    if (!identity.error.isEmpty()) {
        error = identity.error;
        return false;
    }
    certificate = identity.certificate;
    key = identity.key;
    if (!listen(QHostAddress::LocalHost)) {
        error = errorString();
        return false;
    }
    return true;
}

QUrl TlsTestServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(serverPort()).arg(path));
}

void TlsTestServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    socket->setSocketDescriptor(descriptor);
    socket->setLocalCertificate(certificate);
    socket->setPrivateKey(key);
    socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QSslSocket::readyRead, socket, [this, socket, buffer] {
        *buffer += socket->readAll();
        if (!buffer->contains("\r\n\r\n"))
            return;
        socket->write(answer ? answer(*buffer)
                             : QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                                          "Content-Length: 6\r\nConnection: close\r\n\r\n"
                                          "secret"));
        socket->disconnectFromHost();
    });
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    socket->startServerEncryption();
}
