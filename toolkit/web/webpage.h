#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QWebPage>

class QNetworkReply;
class QWebFrame;

namespace QT_EXT {

class WebBrowser;

// A web page with an optional fixed user agent that reports link clicks before following them.
class WebPage : public QWebPage
{
    Q_OBJECT

public:
    explicit WebPage(WebBrowser *parent);

    // An empty user agent restores the standard one.
    void setUserAgent(const QString &agent);

signals:
    // Emitted for link clicks only; a receiver connected directly may clear accept to stop the
    // navigation.
    void signal_acceptNavigationRequest(QWebFrame *frame, QNetworkRequest request,
                                        QWebPage::NavigationType type, bool &accept);

protected slots:
    void slot_unsupportedContent(QNetworkReply *reply);

protected:
    bool acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                 NavigationType type) override;
    QString userAgentForUrl(const QUrl &url) const override;

private:
    QString userAgent;
};

} // namespace QT_EXT
