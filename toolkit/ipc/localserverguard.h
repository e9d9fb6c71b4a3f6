#pragma once

class QLocalServer;
class QString;

namespace QT_EXT {

// Listens on a local server name that only the same user may connect to. A name left behind by
// a copy that crashed is taken over once a probe shows that nobody answers on it any more; a
// name that a live process serves is left alone and the call fails.
bool listenExclusively(QLocalServer *server, const QString &name);

} // namespace QT_EXT
