#include "appbrowserevents.h"

#include "appbrowser.h"

AppBrowserEvents::AppBrowserEvents(AppBrowser *browser) : QObject(browser), browser(browser) {}

QString AppBrowserEvents::json() const
{
    return browser->jsonText();
}

void AppBrowserEvents::setJson(const QString &text)
{
    browser->setJsonText(text);
}

QString AppBrowserEvents::html() const
{
    return browser->htmlText();
}

void AppBrowserEvents::setHtml(const QString &text)
{
    browser->setHtmlText(text);
}
