#pragma once

#include "appsettings.h"
#include "download/videohtmlinfo.h"
#include "exceptionhandler.h"
#include "videorecord.h"

#include <QMainWindow>
#include <QSystemTrayIcon>

class CompanionCommands;
class HostProbe;
class LyricsPanel;
class CompanionNotifier;
class MainSlots;
class QMenu;
class QTimer;
class Ui_MainWindow;
class VideoDownloadPanel;
class VideoListBrowser;
class VideoPlayerBrowser;

namespace QT_EXT {
class IPCSocket;
}

// The player's one window: it assembles the pages, follows the companion's commands and tells
// the companion what happens.
class MainWindow : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    // Retries of a video whose site cannot be reached: 1, 2, 4 ... s, at most 30 s apart.
    static constexpr int firstRetryDelayMs = 1000;
    static constexpr int longestRetryDelayMs = 30000;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    QString requestedVideo() const { return requestedVideoId; }
    QString recordingFolderPath() const { return recordingFolder; }
    bool isHiddenInTray() const { return hiddenInTray; }
    const VideoRecordList &history() const { return localHistory; }
    VideoPlayerBrowser *player() const { return playerBrowser; }
    LyricsPanel *lyricsPage() const { return lyricsPanel; }
    VideoListBrowser *relatedPage() const { return relatedBrowser; }
    VideoListBrowser *searchPage() const { return searchBrowser; }
    VideoListBrowser *historyPage() const { return historyBrowser; }
    VideoDownloadPanel *downloadPage() const { return downloadPanel; }
    const VideoHtmlInfo &watchPageAnalysis() const { return videoHtmlInfo; }

    // The video id of a watch address: what follows "v=" up to the next "&".
    static QString videoIdFromUrl(const QString &url);
    // "Artist - Song" for the lyrics page from a video title such as "Artist: Song (Live)".
    static QString trackInfoFromTitle(const QString &title);
    // Removes the decorations of a title part: "(Live)", brackets, "~", "-"; trims the ends.
    static void cleanTitle(QString &text);

    // A search menu entry: the search page shows the category, its name in the search box.
    void showSearchCategory(const QString &name, int category);

public slots:
    void slot_oneInstance(const QString &message);
    void slot_commandReceived(uint cmd, const QString &mess);
    void slot_showMainWindow();
    void slot_iconActivated(QSystemTrayIcon::ActivationReason reason);
    void slot_exceptionHandler();

    void slot_NotifyServer(uint cmd_mess);
    void slot_loadProgress(const QString &text);
    void slot_videoChangedUrl(const QString &video_url);
    void slot_videoChanged(const QString &video_json);
    void slot_statusChange(int status, const QString &text);
    void slot_Error(int error, const QString &text);
    void slot_volumeChanged(int value);
    void slot_browserReady();
    void slot_resizePlayer();
    void slot_Play();
    void slot_videoClicked(const QString &video_id);
    void slot_lyricsNeedTrackInfo(QString &track_info);
    void slot_lyricsNewTrackInfo(const QString &track_info);
    void slot_videoHtmlInfoReady();
    void slot_downloadStarted();
    void slot_downloadProgress(const QString &text);
    void slot_downloadFinished(bool error);
    void slot_statusLinkActivated(const QString &link);
    void slot_Bookmark();
    void slot_Browser();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void on_actionMinimize_to_tray_triggered();
    void on_btNext_clicked();
    void on_actionPlayer_triggered();
    void on_actionLyrics_triggered();
    void on_actionRelated_triggered();
    void on_actionSearch_triggered();
    void on_actionHistory_triggered();
    void on_btSearch_clicked();
    void on_teSearch_returnPressed();
    void on_stackedWidget_currentChanged(int index);
    void on_actionDownload_triggered();
    void on_btStop_clicked();

private:
    // Listens for the companion's commands and sets up what answers it.
    void wireCompanionLink();
    void buildCopyMenu();
    void buildSearchMenu();
    void buildTrayIcon();
    // Every toolbar button visible in the first window; Esc closes the overflow panel.
    void fitToolBar();
    // Brings the window up as it was (maximized or normal) and activates it.
    void showAgain();
    void loadRequestedVideo();
    // Every video the player is asked to play goes through here.
    void playVideo(const QString &videoId);
    void playRequestedVideo(bool evenWithoutId);
    void setSearchText(const QString &text);
    void buildLyricsPage();
    void buildListPages();
    void buildDownloadPage();
    // The copy menu's "URL" entry. Not a slot: no object of the form is called btCopy, so the
    // form's connection by name must not look at it.
    void on_btCopy_clicked();
    void on_btCopyTitle_clicked();
    // The text a bookmark carries: the record, or an id when the record is of another video.
    QString bookmarkText() const;
    VideoListBrowser *addListPage();
    // The companion's JSON "Search": the window comes up with the search page and its results.
    void searchFromCompanion(const QString &text);
    void showHistoryList(const QString &listJson);
    void watchHosts();
    void hostUnreachable(const QString &host);

    // Declared first: its construction sets the settings identity that everything else reads.
    AppSettings settings;
    Ui_MainWindow *ui = nullptr;
    ExceptionHandler exceptionHandler;
    QT_EXT::IPCSocket *companionLink = nullptr;
    CompanionCommands *companionCommands = nullptr;
    CompanionNotifier *companionNotifier = nullptr;
    MainSlots *mainSlots = nullptr;
    // A video "not found" while its site cannot be reached is said so and tried again, each time
    // a little later, until the hosts answer.
    HostProbe *hostProbe = nullptr;
    QTimer *retryTimer = nullptr;
    int retryDelayMs = 0;

    VideoPlayerBrowser *playerBrowser = nullptr;
    LyricsPanel *lyricsPanel = nullptr;
    VideoListBrowser *relatedBrowser = nullptr;
    VideoListBrowser *searchBrowser = nullptr;
    VideoListBrowser *historyBrowser = nullptr;
    VideoDownloadPanel *downloadPanel = nullptr;
    // The streams of the video shown; enables Download once it found any.
    VideoHtmlInfo videoHtmlInfo;
    // The watch address of the video whose page videoHtmlInfo analyses.
    QString analysedVideoUrl;
    // The page that F4 returns to from the player page.
    QWidget *previousPage = nullptr;

    QString currentVideoId;
    QString requestedVideoId;
    QString videoTitle;
    QString videoUrl;
    QString searchText;
    // "Artist - Song" of the video shown, or as corrected in the lyrics dialog: the one source
    // of the track that the lyrics page's link names and its search asks for.
    QString trackInfo;
    QString recordingFolder;
    // The download page puts the title of the video being saved into the search box; the text
    // it replaced comes back on the next page.
    QString searchBoxBeforeDownloadPage;
    bool downloadTitleInSearchBox = false;
    VideoRecordList localHistory;
    bool resizePending = false;
    bool volumeRestored = false;
    bool hiddenInTray = false;

    QMenu *copyMenu = nullptr;
    QMenu *searchMenu = nullptr;
    QSystemTrayIcon *trayIcon = nullptr;
    QMenu *trayMenu = nullptr;
};
