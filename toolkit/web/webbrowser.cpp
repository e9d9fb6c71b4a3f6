#include "webbrowser.h"

#include "contentdisposition.h"
#include "networkaccessmanager.h"
#include "weblogging.h"
#include "webpage.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDebug>
#include <QLabel>
#include <QMenu>
#include <QNetworkReply>
#include <QTimer>
#include <QWebFrame>
#include <QWebSettings>
#include <QWheelEvent>

namespace QT_EXT {

WebBrowser::WebBrowser(QWidget *parent) : QWebView(parent)
{
    statusLabel = new QLabel(this);
    statusLabel->setMargin(2);
    statusLabel->setStyleSheet(QStringLiteral(
        "background:rgb(224,224,224); border-radius: 2px; color:black; font-family: \"Segoe "
        "UI\",tahoma,verdana,arial; font-size: 10px"));
    statusLabel->move(0, height() - statusLabel->height());
    statusLabel->hide();

    connect(this, &QWebView::loadFinished, this, &WebBrowser::slot_LoadFinished);
    connect(this, &QWebView::loadStarted, this, &WebBrowser::slot_LoadStarted);
}

WebBrowser::~WebBrowser()
{
    // The page outlives this part of the object: it is deleted with the widget's children and
    // reports a load under way as finished then. Its signals must no longer reach the slots of
    // this half-destroyed view.
    // page() would make a page where none exists; the pages that go with this view are its
    // children.
    disconnect(this, nullptr, this, nullptr);
    const QList<QWebPage *> pages = findChildren<QWebPage *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWebPage *current : pages) {
        current->disconnect(this);
        current->mainFrame()->disconnect(this);
    }
}

void WebBrowser::setupPage(WebPage *webPage, bool pluginsEnabled, bool javascriptCanOpenWindows)
{
    if (pageSetUp)
        return;
    if (!webPage)
        webPage = new WebPage(this);
    setPage(webPage);

    // The shared manager belongs to the application object rather than to this view, so that
    // it stays valid for every other page that uses it when this view goes away.
    webPage->setNetworkAccessManager(NetworkAccessManager::shared());
    webPage->setForwardUnsupportedContent(true);

    connect(webPage, &QWebPage::linkHovered, this, &WebBrowser::slot_linkHovered);
    connect(webPage, &QWebPage::downloadRequested, this,
            qOverload<QNetworkRequest>(&WebBrowser::slot_startDownload));
    connect(webPage, &QWebPage::unsupportedContent, this,
            qOverload<QNetworkReply *>(&WebBrowser::slot_startDownload));

    webPage->settings()->setAttribute(QWebSettings::PluginsEnabled, pluginsEnabled);
    webPage->settings()->setAttribute(QWebSettings::JavascriptCanOpenWindows,
                                      javascriptCanOpenWindows);
    pageSetUp = true;
}

void WebBrowser::onLoadStarted()
{
    qCDebug(lcPage).noquote() << QStringLiteral("WebBrowser::onLoadStarted() ") + url().toString();
    showStatusMessage(tr("Loading..."), 50000);
}

void WebBrowser::onLoadFinished(bool)
{
    showStatusMessage(tr("Finished"), 50000);
}

void WebBrowser::onLinkClicked(const QUrl &, bool &accept)
{
    accept = true;
}

void WebBrowser::showStatusBarMessage(const QString &text)
{
    showStatusMessage(text, 0);
}

void WebBrowser::showStatusMessage(const QString &text, int timeoutMs)
{
    if (text.isEmpty()) {
        statusLabel->hide();
        update();
        return;
    }
    statusLabel->setText(text);
    statusLabel->adjustSize();
    QSize size = statusLabel->size();
    size.rwidth() += 4;
    size.rheight() += 2;
    if (size.width() > width())
        size.setWidth(width());
    statusLabel->resize(size);
    statusLabel->move(0, height() - statusLabel->height());
    statusLabel->show();
    if (timeoutMs != 0)
        QTimer::singleShot(timeoutMs, this, &WebBrowser::slot_clearStatusBar);
}

bool WebBrowser::runJavaScript(const QString &script)
{
    if (documentElement().isNull())
        return false;
    QWebPage *current = page();
    if (!current || !current->currentFrame())
        return false;
    current->currentFrame()->evaluateJavaScript(script);
    return true;
}

QWebElement WebBrowser::documentElement()
{
    QWebPage *current = page();
    if (!current || !current->currentFrame())
        return nullElement;
    return current->currentFrame()->documentElement();
}

void WebBrowser::clearFocusedLink()
{
    QWebPage *current = page();
    if (!current || !current->currentFrame())
        return;
    QWebFrame *frame = current->currentFrame();
    QWebElement link = frame->findFirstElement(QStringLiteral("a:focus"));
    if (!link.isNull())
        link.evaluateJavaScript(QStringLiteral("this.blur();"));
    frame->setFocus();
}

void WebBrowser::setUrlText(const QString &address)
{
    urlTextValue = address;
    load(QUrl(address));
}

void WebBrowser::setUserAgent(const QString &agent)
{
    if (auto *webPage = qobject_cast<WebPage *>(page()))
        webPage->setUserAgent(agent);
}

void WebBrowser::setPluginsEnabled(bool enabled)
{
    page()->settings()->setAttribute(QWebSettings::PluginsEnabled, enabled);
}

void WebBrowser::slot_clearStatusBar()
{
    statusLabel->hide();
}

void WebBrowser::slot_acceptNavigationRequest(QWebFrame *, QNetworkRequest request,
                                              QWebPage::NavigationType, bool &accept)
{
    const QUrl link(request.url().toString());
    onLinkClicked(link, accept);
    if (accept)
        emit signal_linkClicked(link);
}

void WebBrowser::slot_LoadStarted()
{
    if (busyCursor)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    if (emitLoadSignals)
        emit signal_PageLoadStarted(this);
    if (processEventsOnLoad)
        QCoreApplication::processEvents();
    loaded = false;
    loading = true;
    onLoadStarted();
}

void WebBrowser::slot_LoadFinished(bool ok)
{
    if (busyCursor)
        QApplication::restoreOverrideCursor();
    if (emitLoadSignals)
        emit signal_PageLoadFinished(this);
    if (processEventsOnLoad)
        QCoreApplication::processEvents();
    if (!page())
        return;
    if (delegateLinks)
        page()->setLinkDelegationPolicy(QWebPage::DelegateAllLinks);
    loaded = true;
    loading = false;
    onLoadFinished(ok);
}

void WebBrowser::slot_LinkClicked(QUrl link)
{
    bool accept = true;
    onLinkClicked(link, accept);
}

void WebBrowser::slot_Cancel()
{
    triggerPageAction(QWebPage::Stop);
}

void WebBrowser::slot_StatusBarMessage(QString mess)
{
    showStatusBarMessage(mess);
}

void WebBrowser::slot_linkHovered(QString link, QString, QString)
{
    showStatusBarMessage(link);
}

void WebBrowser::slot_startDownload(QNetworkRequest request)
{
    emit signal_downloadRequested(request);
}

void WebBrowser::slot_startDownload(QNetworkReply *reply)
{
    // The page hands unsupported content over to this slot, which owns the reply from then on:
    // what is not an attachment is dropped here, or it would stay open until the page goes.
    const auto release = [reply]() {
        reply->abort();
        reply->deleteLater();
    };
    if (!reply->header(QNetworkRequest::ContentTypeHeader).isValid()) {
        release();
        return;
    }

    QString filename;
    if (reply->hasRawHeader("Content-Disposition") &&
        !attachmentFileName(reply->rawHeader("Content-Disposition"), filename)) {
        release();
        return;
    }
    const qulonglong size = reply->header(QNetworkRequest::ContentLengthHeader).toULongLong();
    emit signal_downloadAttachment(reply, size, filename);
    reply->deleteLater();
}

void WebBrowser::wheelEvent(QWheelEvent *event)
{
    if (QApplication::keyboardModifiers() & Qt::ControlModifier) {
        const QPoint angle = event->angleDelta();
        const int delta = angle.y() != 0 ? angle.y() : angle.x();
        const int steps = (delta / 8) / 15;
        setTextSizeMultiplier(textSizeMultiplier() + steps * 0.1);
        event->accept();
        return;
    }
    statusLabel->hide();
    QWebView::wheelEvent(event);
}

namespace {

// Qt WebKit ships no translations of its own. The texts of the page actions that the context
// menu below offers stand here, in Qt WebKit's context and with its comments, so that lupdate
// takes them into the program's translation files.
[[maybe_unused]] const struct
{
    const char *source;
    const char *comment;
} contextMenuTexts[] = {
    QT_TRANSLATE_NOOP3("QWebPage", "Copy", "Copy context menu item"),
    QT_TRANSLATE_NOOP3("QWebPage", "Copy Image", "Copy Image context menu item"),
    QT_TRANSLATE_NOOP3("QWebPage", "Paste", "Paste context menu item"),
    QT_TRANSLATE_NOOP3("QWebPage", "Reload", "Reload context menu item"),
    QT_TRANSLATE_NOOP3("QWebPage", "Go Back", "Back context menu item"),
    QT_TRANSLATE_NOOP3("QWebPage", "Go Forward", "Forward context menu item"),
};

} // namespace

void WebBrowser::contextMenuEvent(QContextMenuEvent *event)
{
    QWebPage *current = page();
    if (!current)
        return;
    QMenu *menu = current->createStandardContextMenu();
    if (!menu)
        menu = new QMenu(this);
    menu->clear();
    const QWebPage::WebAction actions[] = {QWebPage::Copy,  QWebPage::CopyImageToClipboard,
                                           QWebPage::Paste, QWebPage::Reload,
                                           QWebPage::Back,  QWebPage::Forward};
    for (QWebPage::WebAction action : actions) {
        menu->addSeparator();
        menu->addAction(current->action(action));
    }
    menu->exec(event->globalPos());
    delete menu;
}

void WebBrowser::resizeEvent(QResizeEvent *event)
{
    QWebView::resizeEvent(event);
}

} // namespace QT_EXT
