#include "hostedpage.h"

#include "pagebridge.h"
#include "pagescript.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

HostedPage::HostedPage(QObject *bridge, const QSize &size)
    : m_view(std::make_unique<QWebEngineView>())
{
    m_view->resize(size);
    // As the program's pages: the player starts videos by script.
    m_view->page()->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture,
                                             false);
    QT_EXT::publishToPage(m_view->page(), QStringLiteral("AppBrowserEvents"), bridge);
}

HostedPage::~HostedPage() = default;

bool HostedPage::load(const QUrl &url, QString &error)
{
    QSignalSpy loaded(m_view.get(), &QWebEngineView::loadFinished);
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
    // The bridge arrives through the page's web channel, shortly after the document.
    if (!QTest::qWaitFor([this] { return run(QStringLiteral("!!window.AppBrowserEvents")).toBool(); },
                         5000)) {
        error = QStringLiteral("%1 loaded, but AppBrowserEvents did not appear").arg(url.toString());
        return false;
    }
    return true;
}

QVariant HostedPage::run(const QString &script)
{
    return evaluateInPage(m_view->page(), script);
}
