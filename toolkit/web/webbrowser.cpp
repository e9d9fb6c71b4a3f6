#include "webbrowser.h"

#include "contentdisposition.h"
#include "weblogging.h"
#include "webpage.h"
#include "webprofile.h"

#include <QAction>
#include <QApplication>
#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDebug>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QResizeEvent>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWheelEvent>

namespace QT_EXT {

WebBrowser::WebBrowser(QWidget *parent) : QWebEngineView(parent)
{
    statusLabel = new QLabel(this);
    statusLabel->setMargin(2);
    statusLabel->setStyleSheet(QStringLiteral(
        "background:rgb(224,224,224); border-radius: 2px; color:black; font-family: \"Segoe "
        "UI\",tahoma,verdana,arial; font-size: 10px"));
    statusLabel->move(0, height() - statusLabel->height());
    statusLabel->hide();

    // A page of the toolkit reports its loads itself (see usePage); any other page through the
    // view.
    connect(this, &QWebEngineView::loadStarted, this, [this] {
        if (!qobject_cast<WebPage *>(page()))
            slot_LoadStarted();
    });
    connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (!qobject_cast<WebPage *>(page()))
            slot_LoadFinished(ok);
    });
}

void WebBrowser::usePage(WebPage *webPage)
{
    setPage(webPage);
    connect(webPage, &WebPage::signal_loadStarted, this, &WebBrowser::slot_LoadStarted,
            Qt::UniqueConnection);
    connect(webPage, &WebPage::signal_loadFinished, this, &WebBrowser::slot_LoadFinished,
            Qt::UniqueConnection);
}

WebBrowser::~WebBrowser()
{
    // The pages are this view's children and go after this part of the object; their signals
    // must no longer reach the slots of a half-destroyed view.
    disconnect(this, nullptr, this, nullptr);
    const QList<QWebEnginePage *> pages =
        findChildren<QWebEnginePage *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWebEnginePage *current : pages)
        current->disconnect(this);
}

void WebBrowser::setupPage(WebPage *webPage, bool pluginsEnabled, bool javascriptCanOpenWindows)
{
    if (pageSetUp)
        return;
    if (!webPage)
        webPage = new WebPage(this);
    usePage(webPage);

    connect(webPage, &QWebEnginePage::linkHovered, this, &WebBrowser::slot_linkHovered);
    connect(webPage, &WebPage::signal_linkDelegated, this, &WebBrowser::slot_LinkClicked);
    // Downloads are the profile's; each view takes those of its own page.
    connect(webPage->profile(), &QWebEngineProfile::downloadRequested, this,
            [this, webPage](QWebEngineDownloadRequest *download) {
                if (download->page() == webPage)
                    slot_startDownload(download);
            });

    webPage->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, pluginsEnabled);
    webPage->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows,
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
    // The engine puts its drawing surface in as a child when the first page comes; the label
    // stays above it.
    statusLabel->raise();
    statusLabel->show();
    if (timeoutMs != 0)
        QTimer::singleShot(timeoutMs, this, &WebBrowser::slot_clearStatusBar);
}

bool WebBrowser::runJavaScript(const QString &script)
{
    if (!page() || (!loaded && !loading))
        return false;
    page()->runJavaScript(script);
    return true;
}

void WebBrowser::evaluateJavaScript(const QString &script,
                                    const std::function<void(QVariant)> &done)
{
    QPointer<WebBrowser> guarded(this);
    page()->runJavaScript(script, [guarded, done](const QVariant &result) {
        if (guarded)
            done(result);
    });
}

void WebBrowser::clearFocusedLink()
{
    if (!page())
        return;
    page()->runJavaScript(QStringLiteral(
        "(function () { var link = document.querySelector('a:focus'); if (link) link.blur(); "
        "})();"));
    setFocus();
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
    page()->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, enabled);
}

void WebBrowser::slot_clearStatusBar()
{
    statusLabel->hide();
}

void WebBrowser::slot_acceptNavigationRequest(QUrl url, QWebEnginePage::NavigationType, bool,
                                              bool &accept)
{
    onLinkClicked(url, accept);
    if (accept)
        emit signal_linkClicked(url);
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
    if (delegateLinks) {
        if (auto *webPage = qobject_cast<WebPage *>(page()))
            webPage->setDelegateLinks(true);
    }
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
    triggerPageAction(QWebEnginePage::Stop);
}

void WebBrowser::slot_StatusBarMessage(QString mess)
{
    showStatusBarMessage(mess);
}

void WebBrowser::slot_linkHovered(QString link)
{
    showStatusBarMessage(link);
}

void WebBrowser::slot_startDownload(QWebEngineDownloadRequest *download)
{
    // Something the page cannot show: handed on with the name the server suggested (only its
    // last path component). Without a receiver that accepts it, the engine cancels it.
    if (download->mimeType().isEmpty())
        return;
    const QString filename = safeFileName(download->suggestedFileName());
    const qulonglong size = download->totalBytes() > 0 ? qulonglong(download->totalBytes()) : 0;
    emit signal_downloadAttachment(download, size, filename);
}

bool WebBrowser::event(QEvent *event)
{
    // The engine draws into a child widget that it makes itself and that receives the input;
    // the wheel filter goes onto every such child.
    if (event->type() == QEvent::ChildPolished) {
        auto *child = static_cast<QChildEvent *>(event)->child();
        if (child && child->isWidgetType() && child != statusLabel)
            child->installEventFilter(this);
    }
    return QWebEngineView::event(event);
}

bool WebBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel && zoomByWheel(static_cast<QWheelEvent *>(event)))
        return true;
    return QWebEngineView::eventFilter(watched, event);
}

void WebBrowser::wheelEvent(QWheelEvent *event)
{
    if (zoomByWheel(event))
        return;
    QWebEngineView::wheelEvent(event);
}

bool WebBrowser::zoomByWheel(QWheelEvent *event)
{
    if (QApplication::keyboardModifiers() & Qt::ControlModifier) {
        const QPoint angle = event->angleDelta();
        const int delta = angle.y() != 0 ? angle.y() : angle.x();
        const int steps = (delta / 8) / 15;
        // The engine zooms the whole page; text alone cannot be scaled.
        setZoomFactor(zoomFactor() + steps * 0.1);
        event->accept();
        return true;
    }
    statusLabel->hide();
    return false;
}

void WebBrowser::resizeEvent(QResizeEvent *event)
{
    QWebEngineView::resizeEvent(event);
    // A page of a stacked widget loads before it is first shown, at the small size of a hidden
    // page; its status stays in the bottom-left corner of the size it is shown at, instead of
    // covering the top of the page.
    statusLabel->resize(qMin(statusLabel->sizeHint().width() + 4, width()), statusLabel->height());
    statusLabel->move(0, height() - statusLabel->height());
}

void WebBrowser::contextMenuEvent(QContextMenuEvent *event)
{
    QWebEnginePage *current = page();
    if (!current)
        return;
    QMenu *menu = createStandardContextMenu();
    if (!menu)
        menu = new QMenu(this);
    menu->clear();
    const QWebEnginePage::WebAction actions[] = {
        QWebEnginePage::Copy,  QWebEnginePage::CopyImageToClipboard,
        QWebEnginePage::Paste, QWebEnginePage::Reload,
        QWebEnginePage::Back,  QWebEnginePage::Forward};
    for (QWebEnginePage::WebAction action : actions) {
        menu->addSeparator();
        menu->addAction(current->action(action));
    }
    menu->exec(event->globalPos());
    delete menu;
}

} // namespace QT_EXT
