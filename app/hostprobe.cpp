#include "hostprobe.h"

#include <QTcpSocket>
#include <QTimer>

HostProbe::HostProbe(QObject *parent) : QObject(parent) {}

void HostProbe::check(const QStringList &hosts)
{
    pending = hosts;
    next();
}

void HostProbe::next()
{
    if (socket) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
        socket = nullptr;
    }
    if (pending.isEmpty()) {
        emit signal_reachable();
        return;
    }
    const QString host = pending.takeFirst();
    const int colon = host.lastIndexOf(QLatin1Char(':'));
    const QString name = colon > 0 ? host.left(colon) : host;
    const quint16 port = colon > 0 ? host.mid(colon + 1).toUShort() : 80;

    socket = new QTcpSocket(this);
    QTcpSocket *probe = socket;
    const auto unreachable = [this, probe, host] {
        if (probe != socket)
            return;
        pending.clear();
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
        socket = nullptr;
        emit signal_unreachable(host);
    };
    connect(probe, &QTcpSocket::connected, this, [this, probe] {
        if (probe == socket)
            next();
    });
    connect(probe, &QTcpSocket::errorOccurred, this, unreachable);
    QTimer::singleShot(connectTimeoutMs, probe, unreachable);
    probe->connectToHost(name, port);
}
