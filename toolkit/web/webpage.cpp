#include "webpage.h"

#include "certificatetrust.h"
#include "qhttpext.h"
#include "webbrowser.h"
#include "weblogging.h"
#include "webprofile.h"

#include <QAuthenticator>
#include <QDebug>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEngineLoadingInfo>
#include <QWebEngineUrlRequestInterceptor>

namespace QT_EXT {

// Sends a fixed User-Agent header with every request of one page.
class UserAgentInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (!userAgent.isEmpty())
            info.setHttpHeader(QByteArrayLiteral("User-Agent"), userAgent);
    }

    QByteArray userAgent;
};

WebPage::WebPage(WebBrowser *parent) : QWebEnginePage(webProfile(), parent)
{
    connect(this, &QWebEnginePage::certificateError, this, &WebPage::slot_certificateError);
    connect(this, &QWebEnginePage::authenticationRequired, this,
            &WebPage::slot_authenticationRequired);
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            &WebPage::slot_proxyAuthenticationRequired);
    connect(this, &QWebEnginePage::loadingChanged, this, &WebPage::slot_loadingChanged);
}

WebPage::~WebPage() = default;

void WebPage::setUserAgent(const QString &agent)
{
    if (!userAgentInterceptor) {
        userAgentInterceptor = new UserAgentInterceptor(this);
        setUrlRequestInterceptor(userAgentInterceptor);
    }
    userAgentInterceptor->userAgent = agent.toUtf8();
}

void WebPage::slot_certificateError(const QWebEngineCertificateError &error)
{
    QWebEngineCertificateError pending = error;
    if (!pending.isOverridable()) {
        pending.rejectCertificate();
        return;
    }
    // The question runs a nested event loop, which must not run inside the engine's call; the
    // request waits until the user has answered.
    pending.defer();
    QTimer::singleShot(0, this, [pending]() mutable {
        if (CertificateTrust::isTrusted(pending.url(), {pending.description()}))
            pending.acceptCertificate();
        else
            pending.rejectCertificate();
    });
}

void WebPage::slot_authenticationRequired(const QUrl &url, QAuthenticator *authenticator)
{
    if (!QHttpExt::askCredentials(authenticator->realm(), url.toString(), authenticator))
        *authenticator = QAuthenticator(); // a null authenticator cancels the request
}

void WebPage::slot_proxyAuthenticationRequired(const QUrl &, QAuthenticator *authenticator,
                                               const QString &proxyHost)
{
    if (!QHttpExt::askCredentials(authenticator->realm(), proxyHost, authenticator))
        *authenticator = QAuthenticator();
}

bool WebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    bool accept = true;
    if (type == NavigationTypeLinkClicked) {
        if (delegateLinks) {
            emit signal_linkDelegated(url);
            accept = false;
        } else {
            emit signal_acceptNavigationRequest(url, type, isMainFrame, accept);
        }
    }
    if (isMainFrame)
        refusedUrl = accept ? QUrl() : url;
    qCDebug(lcPage).noquote() << QStringLiteral("WebPage::acceptNavigationRequest ") +
                                     url.toString();
    return accept;
}

void WebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message,
                                       int lineNumber, const QString &sourceId)
{
    qCDebug(lcPage).noquote() << QStringLiteral("WebPage::javaScriptConsoleMessage %1:%2 %3")
                                     .arg(sourceId, QString::number(lineNumber), message);
}

void WebPage::slot_loadingChanged(const QWebEngineLoadingInfo &info)
{
    if (refusedUrl.isValid() && info.url() == refusedUrl) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            refusedUrl.clear();
        return;
    }
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        emit signal_loadStarted();
    else
        emit signal_loadFinished(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
}

} // namespace QT_EXT
