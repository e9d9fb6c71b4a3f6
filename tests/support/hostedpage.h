#pragma once

#include <QString>
#include <QUrl>
#include <QVariant>

#include <memory>

class QObject;
class QSize;
class QWebEngineView;

// A hosted page in a bare web view, with a test object standing in for the program's page host
// as the window object AppBrowserEvents.
class HostedPage
{
public:
    // The bridge stays owned by the caller and must outlive the page.
    HostedPage(QObject *bridge, const QSize &size);
    ~HostedPage();
    Q_DISABLE_COPY_MOVE(HostedPage)

    // Loads the address and waits for the load to finish and the bridge to be reachable by
    // the page; false with a message on failure.
    bool load(const QUrl &url, QString &error);
    QVariant run(const QString &script);

private:
    std::unique_ptr<QWebEngineView> m_view;
};
