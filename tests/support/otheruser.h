#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// A throw-away user for the tests of what a process of another user can do to this user's
// local sockets, and the probe (other_user_probe) run as that user.
//
// Only root can make a user: unavailable() tells why not otherwise (the test then skips with
// it); CI runs the tests as root. The user is made by setUp(), or taken as it is when an earlier
// run left it behind, and removed by tearDown().
//
// The probe runs with the user's ids and no groups but keeps one capability, CAP_DAC_OVERRIDE:
// file modes do not stop it, so it reaches the sockets where the code really puts them (the
// test run's temporary folder may be private to root, and the link's socket files are
// srwx------). What is left between it and the link is the user id alone, which is what the
// link must check.
class OtherUser
{
public:
    static constexpr const char *name = "mvp-link-peer";

    // Empty when a throw-away user can be made here; else why not.
    static QString unavailable();

    // Makes the user, or takes the one an earlier run left; false with the reason in error.
    bool setUp(QString *error);
    // Removes the user when this object made or took it; a warning when that fails.
    void tearDown();

    uint uid() const { return userId; }

    // Starts the probe as the user: "send PATH HEX" connects to the socket at PATH and writes
    // the bytes; "serve PATH SECONDS [LOCKFILE]" plants a socket that anyone may connect to at
    // PATH (holding LOCKFILE with QLockFile first) and reports what it hears. See
    // otheruserprobe.cpp.
    void start(QProcess &process, const QStringList &arguments) const;

private:
    uint userId = 0;
    uint groupId = 0;
    bool ready = false;
};

// A socket that anyone may connect to, planted by the other user at path (holding lockFile
// first, when one is given) with the probe's "serve"; the probe is ended and the files removed
// when this object goes.
class PlantedSocket
{
public:
    PlantedSocket(const OtherUser &user, const QString &path, const QString &lockFile = QString());
    ~PlantedSocket();
    PlantedSocket(const PlantedSocket &) = delete;
    PlantedSocket &operator=(const PlantedSocket &) = delete;

    // Waits until the probe listens; false with what it said instead in error.
    bool waitListening(QString *error);
    // Waits until a connection came and ended; true when it brought no byte, else false with
    // what the probe reported in error.
    bool reachedButHeardNothing(QString *error);

private:
    bool nextLine(QByteArray *line, int timeoutMs);

    QString path;
    QString lockFile;
    QProcess probe;
};

// Records the messages of one logging category while it lives, e.g. "mvp.link".
class CategoryLog
{
public:
    explicit CategoryLog(const char *category);
    ~CategoryLog();
    CategoryLog(const CategoryLog &) = delete;
    CategoryLog &operator=(const CategoryLog &) = delete;

    QStringList lines() const;
    bool contains(const QString &text) const;
};
