#include "videolistbrowser.h"

#include "appsettings.h"
#include "json.h"
#include "listpageevents.h"
#include "scriptargument.h"

#include <QApplication>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

namespace {

bool controlHeld()
{
    return QApplication::keyboardModifiers().testFlag(Qt::ControlModifier);
}

} // namespace

VideoListBrowser::VideoListBrowser(QWidget *parent) : AppBrowser(parent)
{
    showLoadProgress = false;
    setPageEvents(new ListPageEvents(this));
}

QString VideoListBrowser::categoryScript(int category)
{
    switch (category) {
    case MostPopular:
        return QStringLiteral("mostPopularVideos()");
    case MostViewed:
        return QStringLiteral("mostViewedVideos()");
    case MostRecent:
        return QStringLiteral("mostRecentVideos()");
    case TopRated:
        return QStringLiteral("topRatedVideos()");
    case TopFav:
        return QStringLiteral("topFavVideos()");
    default:
        return QString();
    }
}

void VideoListBrowser::requestPage()
{
    // Once only: every request made while the page loads asks for it, and a second load would
    // start the first one over.
    if (isPageRequested())
        return;
    setPageRequested();
    load(QUrl(QStringLiteral("http://%1/sonvara/yt_videos.html").arg(AppSettings::makerHost())));
}

void VideoListBrowser::setVideos(const QString &json)
{
    if (!isReady())
        requestPage();
    if (json.isEmpty() || json == jsonText())
        return;
    setJsonText(json);
    execJavaScript(QStringLiteral("loadVideos()"));
    if (!listHeading.isEmpty())
        execJavaScript(QStringLiteral("setHeading(%1)").arg(QT_EXT::toJson(listHeading)));
}

void VideoListBrowser::showCategory(int category)
{
    if (!isReady())
        requestPage();
    execJavaScript(categoryScript(category));
}

void VideoListBrowser::showRelated(const QString &videoId)
{
    if (!isReady())
        requestPage();
    if (videoId == lastRelatedId && !controlHeld())
        return;
    if (videoId.isEmpty())
        return;
    execJavaScript(QStringLiteral("relatedVideos('%1')").arg(scriptStringArgument(videoId)));
    lastRelatedId = videoId;
}

void VideoListBrowser::search(const QString &text)
{
    if (!isReady())
        requestPage();
    if (text == lastSearch || text.isEmpty())
        return;
    if (controlHeld())
        execJavaScript(categoryScript(MostPopular));
    else
        execJavaScript(QStringLiteral("searchVideos('%1')").arg(scriptStringArgument(text)));
    lastSearch = text;
}

void VideoListBrowser::slot_videoClicked(QString video_id)
{
    emit signal_videoClicked(video_id);
}

void videoListToJson(const VideoRecordList &records, QString &json, int maxCount)
{
    QVariantList entries;
    for (int i = records.size() - 1; i >= 0; --i) {
        if (maxCount > 0 && entries.size() >= maxCount)
            break;
        if (!records.at(i))
            continue;
        const VideoRecord &record = *records.at(i);
        entries.append(QVariantMap{{QStringLiteral("id"), record.id()},
                                   {QStringLiteral("url"), record.url()},
                                   {QStringLiteral("title"), record.title()},
                                   {QStringLiteral("thumbnail"), record.thumbnail()},
                                   {QStringLiteral("duration"), record.duration()}});
    }
    QVariantMap list;
    if (!entries.isEmpty())
        list.insert(QStringLiteral("entry"), entries);
    json = QT_EXT::toJson(list);
}
