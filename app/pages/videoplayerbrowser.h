#pragma once

#include "appbrowser.h"

class QSize;

// The embedded video player: drives the player page by script and turns its reports (states,
// errors, the video shown, the volume) into signals.
class VideoPlayerBrowser : public AppBrowser
{
    Q_OBJECT

public:
    explicit VideoPlayerBrowser(QWidget *parent = nullptr);

    static QString stateText(int state);
    // The companion's command number for a player state; 0 for none.
    static uint stateCommand(int state);
    static QString errorText(int error);

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
    int currentState = -1;
};
