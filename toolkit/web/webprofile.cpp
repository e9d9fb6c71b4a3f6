#include "webprofile.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStandardPaths>
#include <QWebEngineProfile>

namespace QT_EXT {

QWebEngineProfile *webProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        profile = new QWebEngineProfile(QStringLiteral("pages"), QCoreApplication::instance());
        const QString dataFolder =
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        profile->setPersistentStoragePath(dataFolder + QStringLiteral("/webengine"));
        profile->setCachePath(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                              QStringLiteral("/webengine"));
        profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    }
    return profile;
}

} // namespace QT_EXT
