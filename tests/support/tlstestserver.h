#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>
#include <QUrl>

// A TLS server on loopback with a freshly made self-signed certificate, answering each
// connection with one small HTTP response ("secret") and then closing it.
class TlsTestServer : public QTcpServer
{
public:
    // Makes a certificate with openssl (once per process) and listens on a free port; false
    // with a message when either fails.
    bool start(QString &error);
    QUrl url(const QString &path = QStringLiteral("/page")) const;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    QSslCertificate certificate;
    QSslKey key;
};
