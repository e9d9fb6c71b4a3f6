#include "companionpeer.h"

#include "companionlink.h"
#include "ipcsocket.h"

#include <QTest>

CompanionPeer::CompanionPeer()
    : endpoint(std::make_unique<QT_EXT::IPCSocket>(nullptr, companionServerName))
{
    connect(endpoint.get(), &QT_EXT::IPCSocket::signal_commandReceived, this,
            [this](uint cmd, const QString &payload) {
                notifications.append({cmd, payload});
            });
}

CompanionPeer::~CompanionPeer() = default;

bool CompanionPeer::isListening() const
{
    return endpoint->isListening();
}

QList<uint> CompanionPeer::numbersHeard() const
{
    QList<uint> numbers;
    for (const Heard &h : notifications)
        numbers << h.first;
    return numbers;
}

bool CompanionPeer::heardWith(uint cmd, const QString &text, int timeoutMs) const
{
    return QTest::qWaitFor(
        [&] {
            for (const Heard &h : notifications) {
                if (h.first == cmd && h.second.contains(text))
                    return true;
            }
            return false;
        },
        timeoutMs);
}

bool CompanionPeer::send(uint cmd, const QString &payload)
{
    QT_EXT::IPCSocket sender(nullptr, QString());
    return sender.sendCommand(cmd, payload, playerServerName);
}
