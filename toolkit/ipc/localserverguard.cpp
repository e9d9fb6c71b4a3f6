#include "localserverguard.h"

#include "ipclogging.h"

#include <QDebug>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

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

bool peerIsSameUser(QLocalSocket *socket, const QString &what)
{
#ifdef Q_OS_UNIX
    const int fd = int(socket->socketDescriptor());
    if (fd < 0) {
        qCWarning(lcLink).noquote() << what << "- refused: the connection has no socket";
        return false;
    }
#ifdef Q_OS_LINUX
    ucred peer{};
    socklen_t length = sizeof(peer);
    const bool known =
        ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && length == sizeof(peer);
    const uid_t peerUid = peer.uid;
#else
    uid_t peerUid = 0;
    gid_t peerGid = 0;
    const bool known = ::getpeereid(fd, &peerUid, &peerGid) == 0;
#endif
    if (!known) {
        qCWarning(lcLink).noquote()
            << what << "- refused: the peer's user cannot be told:" << std::strerror(errno);
        return false;
    }
    const uid_t ownUid = ::geteuid();
    if (peerUid != ownUid) {
        qCWarning(lcLink).noquote().nospace() << what << " - refused: the peer runs as user id "
                                              << peerUid << ", this program as user id " << ownUid;
        return false;
    }
    return true;
#else
    Q_UNUSED(socket);
    Q_UNUSED(what);
    return true;
#endif
}

} // namespace QT_EXT
