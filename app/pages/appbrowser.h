#pragma once

#include "webbrowser.h"

#include <QString>
#include <QStringList>
#include <QUrl>

class QTimer;

// The base of the pages that the application drives by script. Page script reaches it as the
// window object AppBrowserEvents; script calls made before the page is ready wait until
// 1000 ms after the next finished load. A page that could not be loaded is not ready: the
// load is tried again after 1, 2, 4 ... and at most 30 seconds, and the calls keep waiting.
class AppBrowser : public QT_EXT::WebBrowser
{
    Q_OBJECT
    Q_PROPERTY(QString json READ jsonText WRITE setJsonText)
    Q_PROPERTY(QString html READ htmlText WRITE setHtmlText)

public:
    static constexpr int firstRetryDelayMs = 1000;
    static constexpr int longestRetryDelayMs = 30000;

    explicit AppBrowser(QWidget *parent = nullptr);

    QString jsonText() const { return json; }
    void setJsonText(const QString &text) { json = text; }
    QString htmlText() const { return html; }
    void setHtmlText(const QString &text) { html = text; }

    // Runs the script now when the page is ready, otherwise queues it.
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
    void slot_connectEvents();
    void slot_NotifyServer(uint cmd);
    void slot_loadProgress(int pos);
    void slot_execJavaScripts();
    void slot_retryLoad();

protected:
    void onLoadStarted() override;
    void onLoadFinished(bool ok) override;

    bool showLoadProgress = true;

private:
    void scheduleRetry();

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
