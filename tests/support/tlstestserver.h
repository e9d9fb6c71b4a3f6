#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>
#include <QUrl>

#include <functional>

// A TLS server on loopback with a freshly made self-signed certificate, answering each
// connection with one small HTTP response ("secret"), or what setAnswer's script returns for
// the request, and then closing it.
class TlsTestServer : public QTcpServer
{
public:
    using Answer = std::function<QByteArray(const QByteArray &request)>;
    void setAnswer(Answer script) { answer = std::move(script); }

    // Makes a certificate with openssl (once per process) and listens on a free port; false
    // with a message when either fails.
    bool start(QString &error);
    QUrl url(const QString &path = QStringLiteral("/page")) const;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    QSslCertificate certificate;
    QSslKey key;
    Answer answer;
};
