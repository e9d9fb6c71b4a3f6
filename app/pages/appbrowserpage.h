#pragma once

#include "webpage.h"

#include <QList>

class AppBrowser;

// The page of every AppBrowser. It relays posted command events to the companion application,
// each 500 ms after it arrived and in the order they were posted.
class AppBrowserPage : public QT_EXT::WebPage
{
    Q_OBJECT

public:
    explicit AppBrowserPage(AppBrowser *parent);

    bool event(QEvent *e) override;

signals:
    void signal_NotifyServer(uint cmd);

public slots:
    void slot_NotifyServer();

private:
    QList<uint> pendingCommands;
};
