// The settings store's accessors for the shared network access, defined here because the
// network library depends on the core library and not the other way round.
#include "networkaccessmanager.h"
#include "settings.h"

#include <QCoreApplication>
#include <QPointer>

namespace QT_EXT {

NetworkAccessManager *Settings::networkAccessManager()
{
    // The shared instance belongs to the application object, so it outlives every page that
    // uses it; should it ever be destroyed, the next call creates a new one instead of handing
    // out a dangling pointer.
    static QPointer<NetworkAccessManager> shared;
    if (!shared)
        shared = new NetworkAccessManager(QCoreApplication::instance());
    return shared;
}

QNetworkCookieJar *Settings::cookieJar()
{
    return networkAccessManager()->cookieJar();
}

} // namespace QT_EXT
