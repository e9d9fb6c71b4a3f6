#include "appbrowser.h"

#include "appbrowserevents.h"
#include "appbrowserpage.h"
#include "json.h"
#include "pagebridge.h"

#include <QTimer>
#include <QWebEngineSettings>

namespace {

const QString eventsName = QStringLiteral("AppBrowserEvents");

} // namespace

AppBrowser::AppBrowser(QWidget *parent) : QT_EXT::WebBrowser(parent)
{
    auto *appPage = new AppBrowserPage(this);
    connect(appPage, &AppBrowserPage::signal_NotifyServer, this, &AppBrowser::slot_NotifyServer);
    connect(this, &QWebEngineView::loadProgress, this, &AppBrowser::slot_loadProgress);
    usePage(appPage);
    appPage->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    // The player page starts videos by script, without a click in the page.
    appPage->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    // A page that cannot be loaded stays empty and is tried again; no engine error page.
    appPage->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);

    setPageEvents(new AppBrowserEvents(this));

    retryTimer = new QTimer(this);
    retryTimer->setSingleShot(true);
    connect(retryTimer, &QTimer::timeout, this, &AppBrowser::slot_retryLoad);
}

void AppBrowser::setPageEvents(AppBrowserEvents *events)
{
    QT_EXT::publishToPage(page(), eventsName, events);
    delete pageEvents;
    pageEvents = events;
}

void AppBrowser::setJsonText(const QString &text)
{
    if (text == json)
        return;
    json = text;
    emit pageEvents->jsonChanged();
    syncProperty("json", json);
}

void AppBrowser::setHtmlText(const QString &text)
{
    if (text == html)
        return;
    html = text;
    emit pageEvents->htmlChanged();
    syncProperty("html", html);
}

void AppBrowser::syncProperty(const char *name, const QString &value)
{
    // Before the channel has answered, the page has no copy yet and reads the value when it
    // connects; a page not ready yet gets it with the queued calls.
    execJavaScript(QStringLiteral("if (window.%1) %1.%2 = %3;")
                       .arg(eventsName, QLatin1String(name), QT_EXT::toJson(value)));
}

void AppBrowser::execJavaScript(const QString &script)
{
    if (ready)
        runJavaScript(script);
    else
        scripts.append(script);
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
    const QUrl url = page()->requestedUrl();
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
    QTimer::singleShot(queuedCallsDelayMs, this, &AppBrowser::slot_execJavaScripts);
    emit signal_browserReady();
}
