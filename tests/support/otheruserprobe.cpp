// The probe that the tests run as a throw-away user of their own (see otheruser.h): a peer of
// another user on a local socket, in plain POSIX calls. One line on standard output per event.
//
//   other_user_probe send PATH HEX
//       Connects to the socket at PATH ("refused: <reason>", exit 2, when it cannot), prints
//       "connected", writes the bytes given in hex and closes its sending side, then reads until
//       the other end closes (5 s at most): "reply: <hex>" and "closed". Exit 0.
//   other_user_probe serve PATH SECONDS [LOCKFILE]
//       Holds LOCKFILE with QLockFile when given ("locked"), plants a socket at PATH that anyone
//       may connect to ("listening"), and for SECONDS accepts connections: for each,
//       "accepted", then what it read until the peer closed or stayed silent for 300 ms as
//       "received: <hex>", answered with the byte 0x06 (the single-instance channel's
//       acknowledgement). Exit 0.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QLockFile>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void say(const char *line, const QByteArray &bytes = QByteArray())
{
    std::printf("%s%s\n", line, bytes.constData());
    std::fflush(stdout);
}

bool addressOf(const char *path, sockaddr_un *address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (std::strlen(path) >= sizeof(address->sun_path))
        return false;
    std::strcpy(address->sun_path, path);
    return true;
}

// Reads until the peer closes or nothing comes for silenceMs, within totalMs.
QByteArray readAvailable(int fd, int silenceMs, int totalMs)
{
    QByteArray read;
    const QDeadlineTimer deadline(totalMs);
    for (;;) {
        pollfd waiting{fd, POLLIN, 0};
        const int wait = int(qMin<qint64>(silenceMs, deadline.remainingTime()));
        if (wait <= 0 || ::poll(&waiting, 1, wait) <= 0)
            return read;
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got <= 0)
            return read;
        read.append(buffer, got);
    }
}

int send(const char *path, const QByteArray &bytes)
{
    sockaddr_un address;
    if (!addressOf(path, &address))
        return 2;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        say("refused: ", std::strerror(errno));
        return 2;
    }
    say("connected");
    ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);
    say("reply: ", readAvailable(fd, 5000, 5000).toHex());
    ::close(fd);
    say("closed");
    return 0;
}

int serve(const char *path, int seconds, const char *lockPath)
{
    std::unique_ptr<QLockFile> lock;
    if (lockPath) {
        lock = std::make_unique<QLockFile>(QString::fromLocal8Bit(lockPath));
        if (!lock->tryLock(0)) {
            say("cannot lock");
            return 2;
        }
        say("locked");
    }
    sockaddr_un address;
    if (!addressOf(path, &address))
        return 2;
    ::unlink(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 ||
        ::chmod(path, 0777) != 0 || ::listen(fd, 16) != 0) {
        say("cannot listen: ", std::strerror(errno));
        return 2;
    }
    say("listening");
    const QDeadlineTimer deadline(seconds * 1000);
    while (!deadline.hasExpired()) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, int(qMin<qint64>(200, deadline.remainingTime()))) <= 0)
            continue;
        const int connection = ::accept(fd, nullptr, nullptr);
        if (connection < 0)
            continue;
        say("accepted");
        say("received: ", readAvailable(connection, 300, 3000).toHex());
        ::send(connection, "\x06", 1, MSG_NOSIGNAL);
        ::close(connection);
    }
    ::close(fd);
    ::unlink(path);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "send") == 0)
        return send(argv[2], QByteArray::fromHex(argv[3]));
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "serve") == 0)
        return serve(argv[2], std::atoi(argv[3]), argc == 5 ? argv[4] : nullptr);
    std::fprintf(stderr, "usage: other_user_probe send PATH HEX | serve PATH SECONDS [LOCKFILE]\n");
    return 2;
}
