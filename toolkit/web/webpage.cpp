#include "webpage.h"

#include "webbrowser.h"
#include "weblogging.h"

#include <QDebug>
#include <QNetworkReply>

namespace QT_EXT {

WebPage::WebPage(WebBrowser *parent) : QWebPage(parent)
{
    setForwardUnsupportedContent(true);
    connect(this, &QWebPage::unsupportedContent, this, &WebPage::slot_unsupportedContent);
}

void WebPage::setUserAgent(const QString &agent)
{
    userAgent = agent;
}

void WebPage::slot_unsupportedContent(QNetworkReply *reply)
{
    qCDebug(lcPage).noquote() << QStringLiteral("WebPage::slot_unsupportedContent ") +
                                     reply->errorString();
}

bool WebPage::acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                      NavigationType type)
{
    bool accept = true;
    if (type == NavigationTypeLinkClicked)
        emit signal_acceptNavigationRequest(frame, request, type, accept);
    if (accept)
        accept = QWebPage::acceptNavigationRequest(frame, request, type);
    qCDebug(lcPage).noquote() << QStringLiteral("WebPage::acceptNavigationRequest ") +
                                     request.url().toString();
    return accept;
}

QString WebPage::userAgentForUrl(const QUrl &url) const
{
    if (!userAgent.isEmpty())
        return userAgent;
    return QWebPage::userAgentForUrl(url);
}

} // namespace QT_EXT
