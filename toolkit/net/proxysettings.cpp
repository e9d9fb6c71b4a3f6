#include "proxysettings.h"

#include <QNetworkProxyFactory>
#include <QSettings>

namespace QT_EXT {

QNetworkProxy configuredProxy()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("proxy"));
    QNetworkProxy proxy;
    if (settings.value(QStringLiteral("proxy_enabled"), false).toBool()) {
        const int type = settings.value(QStringLiteral("proxy_type"), 0).toInt();
        proxy.setType(type == 0 ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy);
        proxy.setHostName(settings.value(QStringLiteral("proxy_hostname")).toString());
        proxy.setPort(
            static_cast<quint16>(settings.value(QStringLiteral("proxy_port"), 1080).toInt()));
        proxy.setUser(settings.value(QStringLiteral("proxy_username")).toString());
        proxy.setPassword(settings.value(QStringLiteral("proxy_password")).toString());
    }
    settings.endGroup();
    return proxy;
}

void applyProxySettings()
{
    const QNetworkProxy proxy = configuredProxy();
    if (proxy.type() == QNetworkProxy::DefaultProxy) {
        // Setting the application proxy replaces the factory; clear it first so the system's
        // configuration answers again.
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        return;
    }
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(proxy);
}

} // namespace QT_EXT
