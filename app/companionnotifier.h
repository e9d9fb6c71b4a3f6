#pragma once

#include <QObject>
#include <QString>

class QTimer;
enum class PlayerNotification : uint;

// Tells the companion what the player does, each notification at the moment the companion
// expects it, and keeps the record of the video shown, which the player's notifications carry.
class CompanionNotifier : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompanionNotifier)

public:
    static constexpr int playerReadyDelayMs = 100;
    static constexpr int videoChangedDelayMs = 1000;
    // The companion expects NextTrack this long after a video ended.
    static constexpr int nextTrackDelayMs = 2000;

    explicit CompanionNotifier(QObject *parent = nullptr);

    QString currentVideo() const { return currentVideoJson; }
    void setCurrentVideo(const QString &json) { currentVideoJson = json; }

    // PlayerReady, shortly after the player is first ready. False, and nothing is sent, once
    // a notice is under way or was sent before.
    bool playerReady();
    // VideoChanged with the record current then, a moment after a new video showed.
    void videoChanged();
    // VideoPlaying or VideoPaused with the current record, at once.
    void playerStateChanged(PlayerNotification notification);
    // VideoPaused at once and NextTrack later, to which the companion answers with a video.
    void videoEnded();
    // Another video starts: a NextTrack still due for the one that ended would make the
    // companion skip it, so it is dropped.
    void videoStarting();
    // Closing, once: the window closing and its destruction after it both call this.
    void closing();

signals:
    // Right before VideoChanged goes out.
    void signal_videoChangedDue();

private slots:
    void slot_sendCommand();
    void slot_sendVideoChanged();

private:
    QString currentVideoJson;
    // The notification that slot_sendCommand sends: PlayerReady once the player is first ready,
    // NextTrack after a video ended.
    uint pendingCommand = 0;
    bool closingSent = false;
    QTimer *nextTrackTimer = nullptr;
};
