#pragma once

#include <QObject>
#include <QStringList>

class QTcpSocket;

// Tells whether the hosts the player needs answer at all: a connection to each, one after the
// other. A video that the player page reports as not found may be one the site does not know, or
// a site that went away; only the second is worth trying again.
class HostProbe : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HostProbe)

public:
    // Longest wait for one host's connection.
    static constexpr int connectTimeoutMs = 2000;

    explicit HostProbe(QObject *parent = nullptr);

    // Checks the hosts ("host:port") in order; a check under way is replaced.
    void check(const QStringList &hosts);

signals:
    void signal_reachable();
    void signal_unreachable(const QString &host);

private:
    void next();

    QStringList pending;
    QTcpSocket *socket = nullptr;
};
