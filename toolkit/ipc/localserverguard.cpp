#include "localserverguard.h"

#include "ipclogging.h"

#include <QDebug>
#include <QLocalServer>
#include <QLocalSocket>

namespace QT_EXT {

namespace {

constexpr int probeTimeoutMs = 500;

bool someoneListensOn(const QString &name)
{
    QLocalSocket probe;
    probe.connectToServer(name, QIODevice::WriteOnly);
    const bool answered = probe.waitForConnected(probeTimeoutMs);
    probe.abort();
    return answered;
}

} // namespace

bool listenExclusively(QLocalServer *server, const QString &name)
{
    if (someoneListensOn(name)) {
        qCWarning(lcLink) << "listenExclusively: another process serves" << name;
        return false;
    }
    // Whatever is left under the name belongs to a copy that has gone.
    QLocalServer::removeServer(name);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (server->listen(name))
        return true;
    qCWarning(lcLink) << "listenExclusively: cannot listen on" << name << server->errorString();
    return false;
}

} // namespace QT_EXT
