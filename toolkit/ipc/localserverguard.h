#pragma once

class QLocalServer;
class QLocalSocket;
class QString;

namespace QT_EXT {

// Listens on a local server name that only the same user may connect to. A name left behind by
// a copy that crashed is taken over once a probe shows that nobody answers on it any more; a
// name that a live process serves is left alone and the call fails.
bool listenExclusively(QLocalServer *server, const QString &name);

// True when the process at the other end of the connected socket runs as the same user as this
// one, by the kernel's record of the peer: SO_PEERCRED on Linux, getpeereid() on other Unix
// systems. On a server's connection that is the user who connected; on a client's, the user who
// made the listening socket. Both local sockets live in the shared temporary folder, where
// another user can plant a socket under a known name, so neither end talks to another user's.
// Windows: true; the named pipe keeps its default ACL. A peer of another user, or one whose
// user cannot be told, is written to the mvp.link category with what (what the connection was
// for) and the peer's user id.
bool peerIsSameUser(QLocalSocket *socket, const QString &what);

} // namespace QT_EXT
