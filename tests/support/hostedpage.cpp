#include "hostedpage.h"

#include <QSignalSpy>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

HostedPage::HostedPage(QObject *bridge, const QSize &size) : m_view(std::make_unique<QWebView>())
{
    m_view->resize(size);
    QWebFrame *frame = m_view->page()->mainFrame();
    // Every new document clears the window objects, so the bridge goes in again each time.
    QObject::connect(frame, &QWebFrame::javaScriptWindowObjectCleared, bridge, [frame, bridge]() {
        frame->addToJavaScriptWindowObject(QStringLiteral("AppBrowserEvents"), bridge);
    });
}

HostedPage::~HostedPage() = default;

bool HostedPage::load(const QUrl &url, QString &error)
{
    QSignalSpy loaded(m_view.get(), &QWebView::loadFinished);
    m_view->load(url);
    m_view->show();
    if (!loaded.wait(15000)) {
        error = QStringLiteral("%1 did not finish loading").arg(url.toString());
        return false;
    }
    if (!loaded.first().first().toBool()) {
        error = QStringLiteral("%1 failed to load").arg(url.toString());
        return false;
    }
    return true;
}

QVariant HostedPage::run(const QString &script)
{
    return m_view->page()->mainFrame()->evaluateJavaScript(script);
}
