#include "notificationprinter.h"

#include "companionlink.h"
#include "ipcsocket.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

NotificationPrinter::NotificationPrinter(int maxCount, QObject *parent)
    : QObject(parent), out(stdout), err(stderr), maxCount(maxCount)
{
    watcher = new QFileSystemWatcher(this);
    connect(watcher, &QFileSystemWatcher::fileChanged, this,
            &NotificationPrinter::socketFileChanged);
    listen();
}

void NotificationPrinter::listen()
{
    delete endpoint;
    endpoint = new QT_EXT::IPCSocket(this, companionServerName);
    connect(endpoint, &QT_EXT::IPCSocket::signal_commandReceived, this,
            &NotificationPrinter::print);
    const QString path = endpoint->serverPath();
    // A named pipe (Windows) is no file to watch.
    if (QFileInfo::exists(path))
        watcher->addPath(path);
}

void NotificationPrinter::socketFileChanged(const QString &path)
{
    if (QFileInfo::exists(path)) {
        // Some changes end the watch; the file is still there, so keep watching it.
        if (!watcher->files().contains(path))
            watcher->addPath(path);
        return;
    }
    watcher->removePath(path);
    err << "companion: the socket file " << path << " was removed; listening again" << Qt::endl;
    listen();
    if (!isListening()) {
        err << "companion: cannot listen on \"" << companionServerName
            << "\" again: another process serves it" << Qt::endl;
        emit finished();
    }
}

bool NotificationPrinter::isListening() const
{
    return endpoint->isListening();
}

void NotificationPrinter::print(uint cmd, const QString &payload)
{
    QString name = playerNotificationName(cmd);
    if (name.isEmpty())
        name = QStringLiteral("Unknown");
    out << cmd << ' ' << name;
    if (!payload.isEmpty())
        out << ' ' << payload;
    out << Qt::endl;
    emit notificationReceived(cmd, payload);
    if (maxCount > 0 && ++received >= maxCount)
        emit finished();
}
