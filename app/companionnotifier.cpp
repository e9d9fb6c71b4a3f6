#include "companionnotifier.h"

#include "companionlink.h"

#include <QTimer>

CompanionNotifier::CompanionNotifier(QObject *parent) : QObject(parent)
{
    nextTrackTimer = new QTimer(this);
    nextTrackTimer->setSingleShot(true);
    nextTrackTimer->setInterval(nextTrackDelayMs);
    connect(nextTrackTimer, &QTimer::timeout, this, &CompanionNotifier::slot_sendCommand);
}

bool CompanionNotifier::playerReady()
{
    if (pendingCommand != 0)
        return false;
    pendingCommand = uint(PlayerNotification::PlayerReady);
    QTimer::singleShot(playerReadyDelayMs, this, &CompanionNotifier::slot_sendCommand);
    return true;
}

void CompanionNotifier::videoChanged()
{
    QTimer::singleShot(videoChangedDelayMs, this, &CompanionNotifier::slot_sendVideoChanged);
}

void CompanionNotifier::playerStateChanged(PlayerNotification notification)
{
    notifyServerJson(notification, currentVideoJson);
}

void CompanionNotifier::videoEnded()
{
    pendingCommand = uint(PlayerNotification::NextTrack);
    nextTrackTimer->start();
    notifyServerJson(PlayerNotification::VideoPaused, currentVideoJson);
}

void CompanionNotifier::videoStarting()
{
    nextTrackTimer->stop();
}

void CompanionNotifier::closing()
{
    if (closingSent)
        return;
    closingSent = true;
    notifyServer(PlayerNotification::Closing, QString());
}

void CompanionNotifier::slot_sendCommand()
{
    notifyServer(pendingCommand, QString());
}

void CompanionNotifier::slot_sendVideoChanged()
{
    if (currentVideoJson.isEmpty())
        return;
    emit signal_videoChangedDue();
    notifyServerJson(PlayerNotification::VideoChanged, currentVideoJson);
}
