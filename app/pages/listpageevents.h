#pragma once

#include "appbrowserevents.h"

class VideoListBrowser;

// The call of the list page: the video the user picked, handed to the list's slot.
class ListPageEvents : public AppBrowserEvents
{
    Q_OBJECT

public:
    explicit ListPageEvents(VideoListBrowser *list);

public slots:
    void slot_videoClicked(QString video_id);

private:
    VideoListBrowser *list;
};
