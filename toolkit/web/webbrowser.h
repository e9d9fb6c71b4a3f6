#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <QWebElement>
#include <QWebPage>
#include <QWebView>

class QLabel;
class QNetworkReply;
class QWebFrame;

namespace QT_EXT {

class WebPage;

// The toolkit's web view: a status label over the bottom-left corner, a reduced context menu,
// Ctrl+wheel text zoom, load hooks for subclasses, a script runner, and downloads and
// attachments handed on as signals.
class WebBrowser : public QWebView
{
    Q_OBJECT

public:
    explicit WebBrowser(QWidget *parent = nullptr);
    ~WebBrowser() override;

    // Runs the script in the current frame and drops its result; false without a document.
    bool runJavaScript(const QString &script);
    QWebElement documentElement();
    void clearFocusedLink();

    void setUrlText(const QString &url);
    QString urlText() const { return urlTextValue; }
    // The page must be a QT_EXT::WebPage (see setupPage); otherwise nothing happens.
    void setUserAgent(const QString &agent);
    void setPluginsEnabled(bool enabled);

    void setDelegateLinks(bool on) { delegateLinks = on; }
    void setBusyCursor(bool on) { busyCursor = on; }
    void setProcessEventsOnLoad(bool on) { processEventsOnLoad = on; }
    void enableLoadSignals() { emitLoadSignals = true; }

    bool isLoaded() const { return loaded; }
    bool isLoading() const { return loading; }

    // Shows text in the status label; a timeout of 0 keeps it until the next message.
    void showStatusMessage(const QString &text, int timeoutMs);

signals:
    void signal_linkClicked(QUrl link);
    void signal_PageLoadStarted(QT_EXT::WebBrowser *browser);
    void signal_PageLoadFinished(QT_EXT::WebBrowser *browser);
    void signal_downloadRequested(QNetworkRequest req);
    void signal_downloadAttachment(QNetworkReply *reply, qulonglong size, QString filename);

public slots:
    // Installs page (a new WebPage when null) with the shared network access; runs once only.
    virtual void setupPage(QT_EXT::WebPage *page, bool pluginsEnabled,
                           bool javascriptCanOpenWindows);

protected slots:
    virtual void onLoadStarted();
    virtual void onLoadFinished(bool ok);
    virtual void onLinkClicked(const QUrl &url, bool &accept);
    virtual void showStatusBarMessage(const QString &text);

    void slot_clearStatusBar();
    void slot_acceptNavigationRequest(QWebFrame *frame, QNetworkRequest request,
                                      QWebPage::NavigationType type, bool &accept);
    void slot_LoadStarted();
    void slot_LoadFinished(bool ok);
    void slot_LinkClicked(QUrl link);
    void slot_Cancel();
    void slot_StatusBarMessage(QString mess);
    void slot_linkHovered(QString link, QString title, QString textContent);
    void slot_startDownload(QNetworkRequest request);
    void slot_startDownload(QNetworkReply *reply);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    QLabel *statusLabel = nullptr;

private:
    QString urlTextValue;
    bool delegateLinks = false;
    bool pageSetUp = false;
    bool loaded = false;
    bool loading = false;
    bool emitLoadSignals = false;
    bool busyCursor = false;
    bool processEventsOnLoad = false;
    QWebElement nullElement;
};

} // namespace QT_EXT
