#include "videoplayerbrowser.h"

#include "companionlink.h"
#include "playerpageevents.h"
#include "scriptargument.h"

#include <QSize>

VideoPlayerBrowser::VideoPlayerBrowser(QWidget *parent) : AppBrowser(parent)
{
    setPageEvents(new PlayerPageEvents(this));
}

QString VideoPlayerBrowser::stateText(int state)
{
    switch (state) {
    case Playing:
        return tr("Playing");
    case Paused:
        return tr("Paused");
    case Buffering:
        return tr("Buffering...");
    case VideoCued:
        return tr("Waiting");
    default:
        return QString();
    }
}

uint VideoPlayerBrowser::stateCommand(int state)
{
    switch (state) {
    case Playing:
        return uint(PlayerNotification::VideoPlaying);
    case Paused:
        return uint(PlayerNotification::VideoPaused);
    case Ended:
        return uint(PageNotice::VideoEnded);
    default:
        return uint(PageNotice::PageLoaded);
    }
}

QString VideoPlayerBrowser::errorText(int error)
{
    switch (error) {
    case InvalidVideoId:
        return tr("Invalid video id");
    case VideoNotFound:
        return tr("Video not found");
    case VideoNotAllowed:
    case VideoNotAllowedToo:
        return tr("Video not allowed");
    default:
        return QString();
    }
}

bool VideoPlayerBrowser::isNotAllowedError(int error)
{
    return error == VideoNotAllowed || error == VideoNotAllowedToo;
}

void VideoPlayerBrowser::loadVideo(const QString &videoId)
{
    execJavaScript(QStringLiteral("loadPlayer('%1')").arg(scriptStringArgument(videoId)));
}

void VideoPlayerBrowser::play()
{
    execJavaScript(QStringLiteral("startPlayer()"));
}

void VideoPlayerBrowser::pause()
{
    execJavaScript(QStringLiteral("pausePlayer()"));
}

void VideoPlayerBrowser::stop()
{
    execJavaScript(QStringLiteral("stopPlayer()"));
    execJavaScript(QStringLiteral("clearPlayer()"));
}

void VideoPlayerBrowser::setPlayerVolume(int volume)
{
    execJavaScript(QStringLiteral("setVideoVolume(%1)").arg(volume));
}

void VideoPlayerBrowser::requestVideoTitle(const QString &videoId)
{
    execJavaScript(QStringLiteral("getVideoTitle('%1')").arg(scriptStringArgument(videoId)));
}

void VideoPlayerBrowser::toggleMute()
{
    execJavaScript(QStringLiteral("toggleMuteVideo()"));
}

void VideoPlayerBrowser::resizeVideo(const QSize &size)
{
    execJavaScript(QStringLiteral("resizePlayer(%1,%2)").arg(size.width()).arg(size.height()));
}

void VideoPlayerBrowser::slot_PlayerVolumeChanged(int value)
{
    emit signal_volumeChanged(value);
}

void VideoPlayerBrowser::slot_PlayerStateChange(int state)
{
    currentState = state;
    emit signal_statusChange(state, stateText(state));
    emit signal_NotifyServer(stateCommand(state));
}

void VideoPlayerBrowser::slot_PlayerError(int error)
{
    emit signal_Error(error, errorText(error));
}

void VideoPlayerBrowser::slot_PlayerUrlChanged(QString url)
{
    emit signal_videoChangedUrl(url);
}

void VideoPlayerBrowser::slot_PlayerVideoChanged(QString video_json)
{
    emit signal_videoChanged(video_json);
}

void VideoPlayerBrowser::onLoadFinished(bool ok)
{
    AppBrowser::onLoadFinished(ok);
    if (isReady())
        emit signal_NotifyServer(uint(PageNotice::PageLoaded));
}
