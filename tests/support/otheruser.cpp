#include "otheruser.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMutex>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace {

QString findTool(const QString &tool)
{
    const QString found = QStandardPaths::findExecutable(tool);
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(
        tool, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
}

bool lookUp(uint *uid, uint *gid)
{
    const passwd *entry = ::getpwnam(OtherUser::name);
    if (!entry)
        return false;
    *uid = entry->pw_uid;
    *gid = entry->pw_gid;
    return true;
}

QString run(const QString &program, const QStringList &arguments, int *exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        *exitCode = -1;
        return QStringLiteral("did not end within 30 s");
    }
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll()).trimmed();
}

} // namespace

QString OtherUser::unavailable()
{
    if (::geteuid() != 0)
        return QStringLiteral("the test needs a second user: it makes a throw-away user \"%1\", "
                              "which needs root (CI runs the tests as root); running as user "
                              "id %2")
            .arg(QLatin1String(name))
            .arg(::geteuid());
    for (const char *tool : {"useradd", "userdel", "setpriv"}) {
        if (findTool(QLatin1String(tool)).isEmpty())
            return QStringLiteral("the test needs %1 to make or use a throw-away user, and it "
                                  "is not installed (Debian packages passwd and util-linux)")
                .arg(QLatin1String(tool));
    }
    return QString();
}

bool OtherUser::setUp(QString *error)
{
    if (!lookUp(&userId, &groupId)) {
        int exitCode = 0;
        const QString output =
            run(findTool(QStringLiteral("useradd")),
                {QStringLiteral("--system"), QStringLiteral("--user-group"),
                 QStringLiteral("--no-create-home"), QStringLiteral("--home-dir"),
                 QStringLiteral("/nonexistent"), QStringLiteral("--shell"),
                 QStringLiteral("/usr/sbin/nologin"), QLatin1String(name)},
                &exitCode);
        // Exit code 9: the name was taken meanwhile, which is as good.
        if ((exitCode != 0 && exitCode != 9) || !lookUp(&userId, &groupId)) {
            *error = QStringLiteral("useradd %1 failed (exit code %2): %3")
                         .arg(QLatin1String(name))
                         .arg(exitCode)
                         .arg(output);
            return false;
        }
    }
    if (userId == ::geteuid()) {
        *error = QStringLiteral("the user %1 has this process's own user id %2")
                     .arg(QLatin1String(name))
                     .arg(userId);
        return false;
    }
    ready = true;
    return true;
}

void OtherUser::tearDown()
{
    if (!ready)
        return;
    ready = false;
    int exitCode = 0;
    const QString output =
        run(findTool(QStringLiteral("userdel")), {QLatin1String(name)}, &exitCode);
    if (exitCode != 0)
        qWarning("userdel %s failed (exit code %d): %s", name, exitCode, qPrintable(output));
}

void OtherUser::start(QProcess &process, const QStringList &arguments) const
{
    QStringList command = {QStringLiteral("--reuid=%1").arg(userId),
                           QStringLiteral("--regid=%1").arg(groupId),
                           QStringLiteral("--clear-groups"),
                           QStringLiteral("--inh-caps=+dac_override"),
                           QStringLiteral("--ambient-caps=+dac_override"),
                           QStringLiteral("--"),
                           QStringLiteral(OTHER_USER_PROBE)};
    command += arguments;
    process.start(findTool(QStringLiteral("setpriv")), command);
}

PlantedSocket::PlantedSocket(const OtherUser &user, const QString &path, const QString &lockFile)
    : path(path), lockFile(lockFile)
{
    QStringList arguments = {QStringLiteral("serve"), path, QStringLiteral("30")};
    if (!lockFile.isEmpty())
        arguments << lockFile;
    user.start(probe, arguments);
}

PlantedSocket::~PlantedSocket()
{
    probe.kill();
    probe.waitForFinished();
    QFile::remove(path);
    if (!lockFile.isEmpty())
        QFile::remove(lockFile);
}

bool PlantedSocket::nextLine(QByteArray *line, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!probe.canReadLine()) {
        if (deadline.hasExpired() || !probe.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    *line = probe.readLine();
    return true;
}

bool PlantedSocket::waitListening(QString *error)
{
    QByteArray line;
    if (!lockFile.isEmpty() && (!nextLine(&line, 10000) || line != "locked\n")) {
        *error = QStringLiteral("the probe did not take the lock: %1").arg(QString::fromUtf8(line));
        return false;
    }
    if (!nextLine(&line, 10000) || line != "listening\n") {
        *error = QStringLiteral("the probe does not listen: %1").arg(QString::fromUtf8(line));
        return false;
    }
    return true;
}

bool PlantedSocket::reachedButHeardNothing(QString *error)
{
    QByteArray accepted;
    QByteArray received;
    if (!nextLine(&accepted, 10000) || !nextLine(&received, 10000) || accepted != "accepted\n" ||
        received != "received: \n") {
        *error = QStringLiteral("the probe reported: %1%2")
                     .arg(QString::fromUtf8(accepted), QString::fromUtf8(received));
        return false;
    }
    return true;
}

namespace {

QMutex logMutex;
QByteArray logCategory;
QStringList logLines;
QtMessageHandler previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        const QMutexLocker locker(&logMutex);
        if (context.category && logCategory == context.category)
            logLines.append(message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

CategoryLog::CategoryLog(const char *category)
{
    const QMutexLocker locker(&logMutex);
    logCategory = category;
    logLines.clear();
    previousHandler = qInstallMessageHandler(recordMessage);
}

CategoryLog::~CategoryLog()
{
    qInstallMessageHandler(previousHandler);
    const QMutexLocker locker(&logMutex);
    logCategory.clear();
    logLines.clear();
}

QStringList CategoryLog::lines() const
{
    const QMutexLocker locker(&logMutex);
    return logLines;
}

bool CategoryLog::contains(const QString &text) const
{
    const QMutexLocker locker(&logMutex);
    for (const QString &line : std::as_const(logLines)) {
        if (line.contains(text))
            return true;
    }
    return false;
}
