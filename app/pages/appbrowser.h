#pragma once

#include "webbrowser.h"

#include <QString>
#include <QStringList>
#include <QUrl>

class AppBrowserEvents;
class QTimer;

// The base of the pages that the application drives by script. Page script reaches it as the
// window object AppBrowserEvents (an AppBrowserEvents object on the page's web channel); script
// calls made before the page is ready wait until queuedCallsDelayMs after the next finished
// load. A page that could not be loaded is not ready: the load is tried again after 1, 2, 4 ...
// and at most 30 seconds, and the calls keep waiting.
class AppBrowser : public QT_EXT::WebBrowser
{
    Q_OBJECT
    Q_PROPERTY(QString json READ jsonText WRITE setJsonText)
    Q_PROPERTY(QString html READ htmlText WRITE setHtmlText)

public:
    // Calls queued before the page was ready run this long after the load finished: the
    // bridge reaches the page through its channel a moment after the load.
    static constexpr int queuedCallsDelayMs = 1000;
    static constexpr int firstRetryDelayMs = 1000;
    static constexpr int longestRetryDelayMs = 30000;

    explicit AppBrowser(QWidget *parent = nullptr);

    QString jsonText() const { return json; }
    // The page reads it as AppBrowserEvents.json; a script call made after this sees the text.
    void setJsonText(const QString &text);
    QString htmlText() const { return html; }
    void setHtmlText(const QString &text);

    // Runs the script now when the page is ready, otherwise queues it. Scripts run in the order
    // they were given.
    void execJavaScript(const QString &script);
    bool isReady() const { return ready; }
    bool isPageRequested() const { return pageRequested; }
    void setPageRequested() { pageRequested = true; }
    void setShowLoadProgress(bool on) { showLoadProgress = on; }

signals:
    void signal_NotifyServer(uint cmd);
    void signal_loadProgress(QString text);
    void signal_browserReady();
    void signal_Exit();

protected slots:
    void slot_NotifyServer(uint cmd);
    void slot_loadProgress(int pos);
    void slot_execJavaScripts();
    void slot_retryLoad();

protected:
    void onLoadStarted() override;
    void onLoadFinished(bool ok) override;
    // The object the page sees as AppBrowserEvents; replaces the plain one the base made.
    void setPageEvents(AppBrowserEvents *events);

    bool showLoadProgress = true;

private:
    void scheduleRetry();
    // Writes a text property into the page's copy of the events object, in line with the
    // script calls; the channel's own update would arrive later than a call that reads it.
    void syncProperty(const char *name, const QString &value);

    AppBrowserEvents *pageEvents = nullptr;
    QTimer *retryTimer = nullptr;
    QUrl failedUrl;
    int retryDelayMs = firstRetryDelayMs;
    bool loading = false;
    bool ready = false;
    bool pageRequested = false;
    QString json;
    QString html;
    QStringList scripts;
};
