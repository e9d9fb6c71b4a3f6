#pragma once

#include <QNetworkProxy>

namespace QT_EXT {

// The proxy of the settings group "proxy" ("proxy_enabled", "proxy_type" 0 = SOCKS5 else HTTP,
// "proxy_hostname", "proxy_port" default 1080, "proxy_username", "proxy_password"). With
// "proxy_enabled" off: a DefaultProxy, which follows the application-wide proxy.
QNetworkProxy configuredProxy();

// Makes the configured proxy the application-wide one, so every request of the program goes
// through it: web pages and transfer engines alike, whatever manager they own. With none
// configured, the system's proxy configuration applies (http_proxy, https_proxy, no_proxy).
// Call it once the settings identity is set, and again after the settings change.
void applyProxySettings();

} // namespace QT_EXT
