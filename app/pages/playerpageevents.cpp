#include "playerpageevents.h"

#include "videoplayerbrowser.h"

PlayerPageEvents::PlayerPageEvents(VideoPlayerBrowser *player)
    : AppBrowserEvents(player), player(player)
{
}

void PlayerPageEvents::slot_PlayerVolumeChanged(int value)
{
    player->slot_PlayerVolumeChanged(value);
}

void PlayerPageEvents::slot_PlayerStateChange(int state)
{
    player->slot_PlayerStateChange(state);
}

void PlayerPageEvents::slot_PlayerError(int error)
{
    player->slot_PlayerError(error);
}

void PlayerPageEvents::slot_PlayerUrlChanged(QString url)
{
    player->slot_PlayerUrlChanged(url);
}

void PlayerPageEvents::slot_PlayerVideoChanged(QString video_json)
{
    player->slot_PlayerVideoChanged(video_json);
}
