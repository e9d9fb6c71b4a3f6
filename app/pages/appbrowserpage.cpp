#include "appbrowserpage.h"

#include "appbrowser.h"
#include "appbrowsercommandevent.h"

#include <QTimer>

AppBrowserPage::AppBrowserPage(AppBrowser *parent) : QT_EXT::WebPage(parent) {}

bool AppBrowserPage::event(QEvent *e)
{
    if (e->type() == AppBrowserCommandEvent::CommandType) {
        pendingCommands.append(static_cast<AppBrowserCommandEvent *>(e)->command);
        QTimer::singleShot(500, this, &AppBrowserPage::slot_NotifyServer);
        return true;
    }
    return QT_EXT::WebPage::event(e);
}

void AppBrowserPage::slot_NotifyServer()
{
    // Each command event starts one timer, so a call from elsewhere may find nothing pending.
    if (pendingCommands.isEmpty())
        return;
    emit signal_NotifyServer(pendingCommands.takeFirst());
}
