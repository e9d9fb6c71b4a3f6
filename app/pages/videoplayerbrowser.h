#pragma once

#include "appbrowser.h"

class QSize;

// The embedded video player: drives the player page by script and turns its reports (states,
// errors, the video shown, the volume) into signals.
class VideoPlayerBrowser : public AppBrowser
{
    Q_OBJECT

public:
    // Player states as the page reports them (the video site's player numbers).
    enum PlayerState : int
    {
        Unstarted = -1,
        Ended = 0,
        Playing = 1,
        Paused = 2,
        Buffering = 3,
        VideoCued = 5,
    };
    // Player errors as the page reports them. The video site's player sends 150 for the same
    // reason as 101 (the owner does not allow embedding), so 150 is handled exactly as 101.
    enum PlayerError : int
    {
        InvalidVideoId = 2,
        VideoNotFound = 100,
        VideoNotAllowed = 101,
        VideoNotAllowedToo = 150,
    };

    explicit VideoPlayerBrowser(QWidget *parent = nullptr);

    static QString stateText(int state);
    // The number that signal_NotifyServer carries for a player state: the companion's
    // VideoPlaying or VideoPaused, or one of the page's private codes (PageNotice): VideoEnded,
    // and PageLoaded for every other state.
    static uint stateCommand(int state);
    static QString errorText(int error);
    static bool isNotAllowedError(int error);

    void loadVideo(const QString &videoId);
    void play();
    void pause();
    void stop();
    void setPlayerVolume(int volume);
    void requestVideoTitle(const QString &videoId);
    void toggleMute();
    void resizeVideo(const QSize &size);

    int playerState() const { return currentState; }

signals:
    void signal_videoChangedUrl(QString video_url);
    void signal_videoChanged(QString video_json);
    void signal_statusChange(int status, QString text);
    void signal_Error(int error, QString text);
    void signal_volumeChanged(int value);

public slots:
    void slot_PlayerVolumeChanged(int value);
    void slot_PlayerStateChange(int state);
    void slot_PlayerError(int error);
    void slot_PlayerUrlChanged(QString url);
    void slot_PlayerVideoChanged(QString video_json);

protected:
    void onLoadFinished(bool ok) override;

private:
    int currentState = Unstarted;
};
