#include "notificationprinter.h"

#include "companionlink.h"
#include "ipcsocket.h"

NotificationPrinter::NotificationPrinter(int maxCount, QObject *parent)
    : QObject(parent), out(stdout), maxCount(maxCount)
{
    endpoint = new QT_EXT::IPCSocket(this, companionServerName);
    connect(endpoint, &QT_EXT::IPCSocket::signal_commandReceived, this,
            &NotificationPrinter::print);
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
