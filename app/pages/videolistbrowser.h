#pragma once

#include "appbrowser.h"
#include "videorecord.h"

// A page of video lists: top lists, search results, related videos and lists the program
// supplies itself (history). The page fetches and shows the lists; this side only asks for
// them by script and learns of the video the user picked.
class VideoListBrowser : public AppBrowser
{
    Q_OBJECT

public:
    // The top lists, numbered as the main window's top-list menu passes them.
    enum Category : int
    {
        MostPopular = 1,
        MostViewed = 2,
        MostRecent = 3,
        TopRated = 4,
        TopFav = 5,
    };

    explicit VideoListBrowser(QWidget *parent = nullptr);

    // The script that shows a top list; empty for a number outside the menu.
    static QString categoryScript(int category);

    // Loads the list page, at most once in the life of the browser.
    void requestPage();
    // Shows a list in the form videoListToJson() writes; the same text again shows nothing new.
    void setVideos(const QString &json);
    // The heading over a list that setVideos shows (the page's own is a neutral "Videos").
    void setListHeading(const QString &heading) { listHeading = heading; }
    void showCategory(int category);
    // Asks again for the same video only while Ctrl is held.
    void showRelated(const QString &videoId);
    // With Ctrl held, shows the most popular videos instead; the text counts as searched.
    void search(const QString &text);

signals:
    void signal_videoClicked(QString video_id);

public slots:
    void slot_videoClicked(QString video_id);

private:
    QString listHeading;
    QString lastRelatedId;
    QString lastSearch;
};

// Writes records as the list page reads a supplied list, {"entry":[...]}, newest (last) first
// and at most maxCount of them (no limit for 0 or less). No records give {}.
void videoListToJson(const VideoRecordList &records, QString &json, int maxCount);
