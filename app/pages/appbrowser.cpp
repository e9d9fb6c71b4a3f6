#include "appbrowser.h"

#include "appbrowserpage.h"

#include <QTimer>
#include <QWebFrame>
#include <QWebSettings>

AppBrowser::AppBrowser(QWidget *parent) : QT_EXT::WebBrowser(parent)
{
    auto *appPage = new AppBrowserPage(this);
    connect(appPage, &AppBrowserPage::signal_NotifyServer, this, &AppBrowser::slot_NotifyServer);
    connect(this, &QWebView::loadProgress, this, &AppBrowser::slot_loadProgress);
    setPage(appPage);
    settings()->setAttribute(QWebSettings::PluginsEnabled, true);
    retryTimer = new QTimer(this);
    retryTimer->setSingleShot(true);
    connect(retryTimer, &QTimer::timeout, this, &AppBrowser::slot_retryLoad);
}

void AppBrowser::execJavaScript(const QString &script)
{
    if (ready)
        runJavaScript(script);
    else
        scripts.append(script);
}

void AppBrowser::slot_connectEvents()
{
    page()->mainFrame()->addToJavaScriptWindowObject(QStringLiteral("AppBrowserEvents"), this);
}

void AppBrowser::slot_NotifyServer(uint cmd)
{
    emit signal_NotifyServer(cmd);
}

void AppBrowser::slot_loadProgress(int pos)
{
    if (showLoadProgress)
        emit signal_loadProgress(QStringLiteral("Loading (%1%)").arg(pos));
}

void AppBrowser::slot_execJavaScripts()
{
    if (scripts.isEmpty())
        return;
    // Take the list first: a script may queue further calls while the page reloads.
    const QStringList pending = scripts;
    scripts.clear();
    for (const QString &script : pending)
        runJavaScript(script);
}

void AppBrowser::slot_retryLoad()
{
    // A load started meanwhile (by the program or a retry) replaces this one.
    if (loading || !failedUrl.isValid())
        return;
    load(failedUrl);
}

void AppBrowser::scheduleRetry()
{
    const QUrl url = page()->mainFrame()->requestedUrl();
    if (!url.isValid() || url.isLocalFile())
        return;
    failedUrl = url;
    emit signal_loadProgress(tr("Cannot reach %1, trying again in %2 s")
                                 .arg(url.authority(), QString::number(retryDelayMs / 1000)));
    retryTimer->start(retryDelayMs);
    retryDelayMs = qMin(retryDelayMs * 2, longestRetryDelayMs);
}

void AppBrowser::onLoadStarted()
{
    ready = false;
    loading = true;
    retryTimer->stop();
    emit signal_loadProgress(QStringLiteral("Loading..."));
}

void AppBrowser::onLoadFinished(bool ok)
{
    loading = false;
    if (!ok) {
        // Not ready: the page script is missing, so calls keep waiting for a load that works.
        scheduleRetry();
        return;
    }
    retryDelayMs = firstRetryDelayMs;
    failedUrl.clear();
    ready = true;
    slot_connectEvents();
    // One connection is enough: repeated loads must not add the object several times over.
    connect(page()->mainFrame(), &QWebFrame::javaScriptWindowObjectCleared, this,
            &AppBrowser::slot_connectEvents, Qt::UniqueConnection);
    QTimer::singleShot(1000, this, &AppBrowser::slot_execJavaScripts);
    emit signal_browserReady();
}
