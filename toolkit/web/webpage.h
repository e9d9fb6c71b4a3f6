#pragma once

#include <QString>
#include <QUrl>
#include <QWebEnginePage>

class QAuthenticator;
class QWebEngineCertificateError;
class QWebEngineLoadingInfo;

namespace QT_EXT {

class UserAgentInterceptor;
class WebBrowser;

// A page of the shared profile with the program's network rules: certificate errors go to the
// user's once-per-host decision, authentication to the credentials dialog. It can send a fixed
// user agent and reports link clicks before following them.
class WebPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit WebPage(WebBrowser *parent);
    ~WebPage() override;

    // An empty user agent restores the standard one.
    void setUserAgent(const QString &agent);
    // Link clicks are no longer followed but reported through signal_linkDelegated.
    void setDelegateLinks(bool on) { delegateLinks = on; }

signals:
    // Emitted for link clicks only; a receiver connected directly may clear accept to stop the
    // navigation.
    void signal_acceptNavigationRequest(QUrl url, QWebEnginePage::NavigationType type,
                                        bool isMainFrame, bool &accept);
    void signal_linkDelegated(QUrl url);
    // The page's loads without the navigations it refused, which the engine reports as a load
    // that started and was stopped.
    void signal_loadStarted();
    void signal_loadFinished(bool ok);

protected slots:
    void slot_certificateError(const QWebEngineCertificateError &error);
    void slot_authenticationRequired(const QUrl &url, QAuthenticator *authenticator);
    void slot_proxyAuthenticationRequired(const QUrl &url, QAuthenticator *authenticator,
                                          const QString &proxyHost);
    void slot_loadingChanged(const QWebEngineLoadingInfo &info);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    // The page's console goes to the debug output (category mvp.page), not to every user's.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceId) override;

private:
    UserAgentInterceptor *userAgentInterceptor = nullptr;
    // The last main-frame navigation refused, until the engine has reported its end.
    QUrl refusedUrl;
    bool delegateLinks = false;
};

} // namespace QT_EXT
