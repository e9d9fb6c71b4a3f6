#include "listpageevents.h"

#include "videolistbrowser.h"

ListPageEvents::ListPageEvents(VideoListBrowser *list) : AppBrowserEvents(list), list(list) {}

void ListPageEvents::slot_videoClicked(QString video_id)
{
    list->slot_videoClicked(video_id);
}
