#pragma once

#include "appbrowserevents.h"

class VideoPlayerBrowser;

// The calls of the player page: states, errors, the watch address, the video record (JSON)
// and volume changes, each handed to the player's slot of the same name.
class PlayerPageEvents : public AppBrowserEvents
{
    Q_OBJECT

public:
    explicit PlayerPageEvents(VideoPlayerBrowser *player);

public slots:
    void slot_PlayerVolumeChanged(int value);
    void slot_PlayerStateChange(int state);
    void slot_PlayerError(int error);
    void slot_PlayerUrlChanged(QString url);
    void slot_PlayerVideoChanged(QString video_json);

private:
    VideoPlayerBrowser *player;
};
