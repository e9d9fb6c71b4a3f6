#pragma once

#include <QString>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>

class QLabel;
class QWebEngineDownloadRequest;

namespace QT_EXT {

class WebPage;

// The toolkit's web view: a status label over the bottom-left corner, a reduced context menu,
// Ctrl+wheel zoom, load hooks for subclasses, a script runner, and downloads handed on as a
// signal.
class WebBrowser : public QWebEngineView
{
    Q_OBJECT

public:
    explicit WebBrowser(QWidget *parent = nullptr);
    ~WebBrowser() override;

    // Runs the script in the page and drops its result; false while there is no document.
    bool runJavaScript(const QString &script);
    // Runs the script and hands its result to done, later: the engine runs scripts in another
    // process. done is not called when the view is gone by then.
    void evaluateJavaScript(const QString &script, const std::function<void(QVariant)> &done);
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
    // A download the page asked for. A receiver that wants it accepts the request (after
    // choosing the folder and name) while handling the signal; otherwise it is cancelled.
    void signal_downloadAttachment(QWebEngineDownloadRequest *download, qulonglong size,
                                   QString filename);

public slots:
    // Installs page (a new WebPage when null); runs once only.
    virtual void setupPage(QT_EXT::WebPage *page, bool pluginsEnabled,
                           bool javascriptCanOpenWindows);

protected slots:
    virtual void onLoadStarted();
    virtual void onLoadFinished(bool ok);
    virtual void onLinkClicked(const QUrl &url, bool &accept);
    virtual void showStatusBarMessage(const QString &text);

    void slot_clearStatusBar();
    void slot_acceptNavigationRequest(QUrl url, QWebEnginePage::NavigationType type,
                                      bool isMainFrame, bool &accept);
    void slot_LoadStarted();
    void slot_LoadFinished(bool ok);
    void slot_LinkClicked(QUrl link);
    void slot_Cancel();
    void slot_StatusBarMessage(QString mess);
    void slot_linkHovered(QString link);
    void slot_startDownload(QWebEngineDownloadRequest *download);

protected:
    // Shows page, whose own load signals (without the navigations it refused) then drive the
    // load hooks.
    void usePage(WebPage *page);
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    QLabel *statusLabel = nullptr;

private:
    // Ctrl+wheel zooms; false when the event is left to the page (plain scrolling).
    bool zoomByWheel(QWheelEvent *event);

    QString urlTextValue;
    bool delegateLinks = false;
    bool pageSetUp = false;
    bool loaded = false;
    bool loading = false;
    bool emitLoadSignals = false;
    bool busyCursor = false;
    bool processEventsOnLoad = false;
};

} // namespace QT_EXT
