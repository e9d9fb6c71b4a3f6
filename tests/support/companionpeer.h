#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <memory>

namespace QT_EXT {
class IPCSocket;
}

// The companion's side of the link in a test: listens as the companion, keeps every
// notification the player sends in order, and sends commands to the player.
//
//     CompanionPeer companion;
//     QVERIFY(companion.isListening());
//     QVERIFY(CompanionPeer::send(uint(CompanionCommand::PlayVideo), id));
//     QVERIFY(companion.heardWith(uint(PlayerNotification::VideoPlaying), id));
class CompanionPeer : public QObject
{
    Q_OBJECT

public:
    using Heard = QPair<uint, QString>;

    CompanionPeer();
    ~CompanionPeer() override;

    bool isListening() const;
    const QList<Heard> &heard() const { return notifications; }
    QList<uint> numbersHeard() const;
    void clear() { notifications.clear(); }
    // Waits until a notification numbered cmd whose payload holds text has been heard.
    bool heardWith(uint cmd, const QString &text, int timeoutMs = 20000) const;

    // Sends one command to the player, as the companion does.
    static bool send(uint cmd, const QString &payload);

private:
    std::unique_ptr<QT_EXT::IPCSocket> endpoint;
    QList<Heard> notifications;
};
