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

void AppBrowser::onLoadStarted()
{
    ready = false;
    emit signal_loadProgress(QStringLiteral("Loading..."));
}

void AppBrowser::onLoadFinished(bool)
{
    ready = true;
    slot_connectEvents();
    // One connection is enough: repeated loads must not add the object several times over.
    connect(page()->mainFrame(), &QWebFrame::javaScriptWindowObjectCleared, this,
            &AppBrowser::slot_connectEvents, Qt::UniqueConnection);
    QTimer::singleShot(1000, this, &AppBrowser::slot_execJavaScripts);
    emit signal_browserReady();
}
