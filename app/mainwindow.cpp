#include "mainwindow.h"

#include "companioncommands.h"
#include "companionlink.h"
#include "companionnotifier.h"
#include "desktop.h"
#include "download/videodownloadpanel.h"
#include "hostprobe.h"
#include "ipcsocket.h"
#include "lyrics/lyricspanel.h"
#include "mainslots.h"
#include "messages.h"
#include "pages/videolistbrowser.h"
#include "pages/videoplayerbrowser.h"
#include "proxysettings.h"
#include "qttextparse.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace {

// How many videos of the local history the history page shows for the companion's empty
// ShowHistory.
constexpr int companionHistoryCount = 20;

// One resize of the video per burst of window resizes.
constexpr int resizeDelayMs = 2000;
constexpr int waitingResizeDelayMs = 500;

constexpr Qt::WindowFlags mainWindowFlags = Qt::CustomizeWindowHint | Qt::WindowSystemMenuHint |
                                            Qt::WindowMinimizeButtonHint |
                                            Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;

} // namespace

// The resources live in a static library; their registration must be named to be linked in.
// Q_INIT_RESOURCE declares its function where it stands, so this stays outside any namespace.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent, mainWindowFlags)
{
    initResources();
    // Every request of the program, whichever page or engine makes it, goes through the one
    // proxy of the settings (or the system's).
    QT_EXT::applyProxySettings();
    ui = new Ui_MainWindow;
    ui->setupUi(this);
    hiddenInTray = false;
    addToolBar(Qt::RightToolBarArea, ui->mainToolBar);

    connect(&exceptionHandler, &ExceptionHandler::signal_Exception, this,
            &MainWindow::slot_exceptionHandler);

    playerBrowser = new VideoPlayerBrowser(ui->stackedWidget);
    setAcceptDrops(true);
    QT_EXT::setDefaultMessageParent(this);

    wireCompanionLink();

    connect(ui->btPlay, &QPushButton::clicked, this, &MainWindow::slot_Play);
    connect(ui->actionBrowser, &QAction::triggered, this, &MainWindow::slot_Browser);
    connect(ui->actionBookmark, &QAction::triggered, this, &MainWindow::slot_Bookmark);

    setWindowTitle(tr("Loading..."));
    ui->lblStatus->clear();
    ui->actionCopy->setToolTip(tr("Copy current video URL to clipboard"));
    ui->actionCopy->setIcon(QIcon(QStringLiteral(":/main/resources/copy.png")));
    ui->teSearch->setEnabled(false);
    ui->btStop->hide();
    ui->lblStatus->setOpenExternalLinks(false);
    ui->btPlay->setEnabled(false);

    while (ui->stackedWidget->count() > 0) {
        QWidget *placeholder = ui->stackedWidget->widget(0);
        ui->stackedWidget->removeWidget(placeholder);
        delete placeholder;
    }

    connect(playerBrowser, &VideoPlayerBrowser::signal_NotifyServer, this,
            &MainWindow::slot_NotifyServer);
    connect(playerBrowser, &VideoPlayerBrowser::signal_loadProgress, this,
            &MainWindow::slot_loadProgress);
    connect(playerBrowser, &VideoPlayerBrowser::signal_videoChangedUrl, this,
            &MainWindow::slot_videoChangedUrl);
    connect(playerBrowser, &VideoPlayerBrowser::signal_videoChanged, this,
            &MainWindow::slot_videoChanged);
    connect(playerBrowser, &VideoPlayerBrowser::signal_statusChange, this,
            &MainWindow::slot_statusChange);
    connect(playerBrowser, &VideoPlayerBrowser::signal_Error, this, &MainWindow::slot_Error);
    connect(playerBrowser, &VideoPlayerBrowser::signal_volumeChanged, this,
            &MainWindow::slot_volumeChanged);
    connect(playerBrowser, &VideoPlayerBrowser::signal_browserReady, this,
            &MainWindow::slot_browserReady);
    connect(&videoHtmlInfo, &VideoHtmlInfo::signal_Ready, this,
            &MainWindow::slot_videoHtmlInfoReady);
    ui->stackedWidget->addWidget(playerBrowser);
    buildLyricsPage();
    buildListPages();
    buildDownloadPage();

    ui->stackedWidget->setCurrentWidget(playerBrowser);
    ui->lblHeading->clear();
    ui->lblHeading->hide();
    playerBrowser->load(QUrl(
        QStringLiteral("http://%1/sonvara/ytplayer_simple.html").arg(AppSettings::makerHost())));

    for (QAction *action : {ui->actionLyrics, ui->actionRelated, ui->actionSearch,
                            ui->actionHistory, ui->actionPlayer})
        action->setCheckable(false);
    buildCopyMenu();
    ui->actionDownload->setText(tr("Download"));
    ui->mainToolBar->removeAction(ui->actionLyrics);
    ui->mainToolBar->addAction(ui->actionLyrics);

    buildTrayIcon();
    buildSearchMenu();
    mainSlots = new MainSlots(this);
    connect(searchMenu, &QMenu::triggered, mainSlots, &MainSlots::slot_menuSearch);

    watchHosts();
    fitToolBar();
    settings.restoreWindowGeometry(this);
}

void MainWindow::watchHosts()
{
    hostProbe = new HostProbe(this);
    retryTimer = new QTimer(this);
    retryTimer->setSingleShot(true);
    connect(retryTimer, &QTimer::timeout, this, [this]() {
        hostProbe->check({AppSettings::videoSiteHost(), AppSettings::makerHost()});
    });
    connect(hostProbe, &HostProbe::signal_unreachable, this, &MainWindow::hostUnreachable);
    connect(hostProbe, &HostProbe::signal_reachable, this, [this]() {
        // Only a retry under way plays again; a first check that finds the hosts leaves the
        // page's "not found" as it is.
        if (retryDelayMs == 0)
            return;
        retryDelayMs = 0;
        loadRequestedVideo();
    });
}

void MainWindow::hostUnreachable(const QString &host)
{
    retryDelayMs =
        retryDelayMs == 0 ? firstRetryDelayMs : qMin(retryDelayMs * 2, longestRetryDelayMs);
    // The same words as the start-up's retry of the player page.
    setWindowTitle(tr("Cannot reach %1, trying again in %2 s")
                       .arg(host, QString::number(retryDelayMs / 1000)));
    retryTimer->start(retryDelayMs);
}

void MainWindow::fitToolBar()
{
    // The form's size was made for nine buttons; the lyrics button and longer translated texts
    // need more. A first start grows the window's height until every button shows (a stored
    // geometry, restored after this, still wins).
    resize(width(), qMax(height(), ui->mainToolBar->sizeHint().height()));

    // A window made shorter puts the last buttons behind the toolbar's overflow arrow; the panel
    // it opens closes on Esc, as a menu does. The shortcut exists only while the panel is open, so
    // Esc reaches the pages otherwise.
    auto *overflow =
        ui->mainToolBar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
    if (!overflow)
        return;
    auto *closeOverflow = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    closeOverflow->setEnabled(false);
    connect(overflow, &QToolButton::toggled, closeOverflow, &QShortcut::setEnabled);
    connect(closeOverflow, &QShortcut::activated, overflow, [overflow]() {
        if (overflow->isChecked())
            overflow->click();
    });
}

MainWindow::~MainWindow()
{
    companionNotifier->closing();
    settings.saveWindowGeometry(this);
    delete ui;
}

void MainWindow::wireCompanionLink()
{
    companionLink = new QT_EXT::IPCSocket(this, playerServerName);
    setCompanionSocket(companionLink);
    connect(companionLink, &QT_EXT::IPCSocket::signal_commandReceived, this,
            &MainWindow::slot_commandReceived);
    companionNotifier = new CompanionNotifier(this);
    connect(companionNotifier, &CompanionNotifier::signal_videoChangedDue, this,
            [this]() { ui->stackedWidget->setCurrentWidget(playerBrowser); });
    companionCommands = new CompanionCommands(this);
    connect(companionCommands, &CompanionCommands::signal_quit, this,
            []() { QApplication::exit(0); });
    connect(companionCommands, &CompanionCommands::signal_recordingFolder, this,
            [this](const QString &folder) { recordingFolder = folder; });
    connect(companionCommands, &CompanionCommands::signal_videoRequested, this,
            [this](const QString &videoId) { requestedVideoId = videoId; });
    connect(companionCommands, &CompanionCommands::signal_playRequested, this,
            &MainWindow::playRequestedVideo);
    connect(companionCommands, &CompanionCommands::signal_bookmarkState, this,
            [this](bool bookmarked) { ui->actionBookmark->setEnabled(!bookmarked); });
    connect(companionCommands, &CompanionCommands::signal_search, this,
            &MainWindow::searchFromCompanion);
    connect(companionCommands, &CompanionCommands::signal_showHistory, this,
            &MainWindow::showHistoryList);
}

void MainWindow::buildLyricsPage()
{
    lyricsPanel = new LyricsPanel(ui->stackedWidget);
    connect(lyricsPanel, &LyricsPanel::signal_needTrackInfo, this,
            &MainWindow::slot_lyricsNeedTrackInfo);
    connect(lyricsPanel, &LyricsPanel::signal_newTrackInfo, this,
            &MainWindow::slot_lyricsNewTrackInfo);
    ui->stackedWidget->addWidget(lyricsPanel);

    // The lyrics page has no toolbar place of its own among the nine; so that a user finds it,
    // it gets a shortcut, the place after them and an entry in the tray menu.
    ui->actionLyrics->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    ui->actionLyrics->setToolTip(
        tr("Show the lyrics page (%1)")
            .arg(ui->actionLyrics->shortcut().toString(QKeySequence::NativeText)));
    addAction(ui->actionLyrics);
}

void MainWindow::buildListPages()
{
    relatedBrowser = addListPage();
    searchBrowser = addListPage();
    historyBrowser = addListPage();
    historyBrowser->setListHeading(tr("History"));
}

VideoListBrowser *MainWindow::addListPage()
{
    auto *page = new VideoListBrowser(ui->stackedWidget);
    connect(page, &VideoListBrowser::signal_videoClicked, this, &MainWindow::slot_videoClicked);
    ui->stackedWidget->addWidget(page);
    return page;
}

void MainWindow::buildDownloadPage()
{
    downloadPanel = new VideoDownloadPanel(ui->stackedWidget);
    ui->stackedWidget->addWidget(downloadPanel);
    connect(downloadPanel, &VideoDownloadPanel::signal_downloadFinished, this,
            &MainWindow::slot_downloadFinished);
    connect(downloadPanel, &VideoDownloadPanel::signal_downloadStarted, this,
            &MainWindow::slot_downloadStarted);
    connect(downloadPanel, &VideoDownloadPanel::signal_downloadProgress, this,
            &MainWindow::slot_downloadProgress);
    connect(ui->lblStatus, &QLabel::linkActivated, this, &MainWindow::slot_statusLinkActivated);
}

void MainWindow::buildCopyMenu()
{
    copyMenu = new QMenu(this);
    connect(copyMenu->addAction(tr("URL")), &QAction::triggered, this,
            &MainWindow::on_btCopy_clicked);
    copyMenu->addSeparator();
    connect(copyMenu->addAction(tr("Title")), &QAction::triggered, this,
            &MainWindow::on_btCopyTitle_clicked);
    ui->actionCopy->setMenu(copyMenu);
    if (auto *button =
            qobject_cast<QToolButton *>(ui->mainToolBar->widgetForAction(ui->actionCopy)))
        button->setPopupMode(QToolButton::InstantPopup);
}

void MainWindow::buildSearchMenu()
{
    // Entries carry their category number; the names are not translated.
    searchMenu = new QMenu(this);
    const auto addCategory = [this](const char *name, int category) {
        QAction *entry = searchMenu->addAction(QString::fromLatin1(name));
        entry->setData(category);
    };
    addCategory("Most Popular", 1);
    addCategory("Most Recent", 3);
    addCategory("Most Viewed", 2);
    searchMenu->addSeparator();
    addCategory("Top Fav", 5);
    addCategory("Top Rated", 4);
    ui->actionSearch->setMenu(searchMenu);
    if (auto *button =
            qobject_cast<QToolButton *>(ui->mainToolBar->widgetForAction(ui->actionSearch)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
}

void MainWindow::buildTrayIcon()
{
    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setToolTip(tr("Sonvara - Video Player"));
    trayIcon->setIcon(QIcon(QStringLiteral(":/main/resources/MiniVideoPlayerSV.png")));
    trayMenu = new QMenu(this);
    connect(trayMenu->addAction(tr("Show")), &QAction::triggered, this,
            &MainWindow::slot_showMainWindow);
    connect(trayMenu->addAction(tr("Lyrics")), &QAction::triggered, this, [this]() {
        slot_showMainWindow();
        on_actionLyrics_triggered();
    });
    trayIcon->setContextMenu(trayMenu);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::slot_iconActivated);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        trayIcon->setVisible(true);
}

void MainWindow::showAgain()
{
    if (isMaximized())
        showMaximized();
    else
        showNormal();
    activateWindow();
}

void MainWindow::slot_oneInstance(const QString &)
{
    slot_showMainWindow();
}

void MainWindow::slot_showMainWindow()
{
    hiddenInTray = false;
    showAgain();
}

void MainWindow::slot_iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        if (trayMenu)
            trayMenu->activateWindow();
        break;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::Trigger:
        slot_showMainWindow();
        break;
    default:
        break;
    }
}

void MainWindow::slot_exceptionHandler()
{
    notifyServer(PlayerNotification::ExceptionRaised, QString());
}

void MainWindow::loadRequestedVideo()
{
    setWindowTitle(tr("%1...").arg(tr("Loading player")));
    playVideo(requestedVideoId);
}

void MainWindow::playVideo(const QString &videoId)
{
    companionNotifier->videoStarting();
    playerBrowser->loadVideo(videoId);
}

QString MainWindow::videoIdFromUrl(const QString &url)
{
    QT_EXT::QtTextParse parser(url);
    parser.skipPast(QStringLiteral("v="));
    return parser.readUntil(QLatin1Char('&'));
}

QString MainWindow::trackInfoFromTitle(const QString &title)
{
    QT_EXT::QtTextParse parser(title);
    QString artist = parser.readUntilOneOf(QStringLiteral("-:"));
    parser.skipToSpace(true);
    parser.skipSpaces(true);
    QString song = parser.readUntilOneOf(QStringLiteral("-"));
    cleanTitle(artist);
    cleanTitle(song);
    if (song.isEmpty())
        return artist;
    return artist + QStringLiteral(" - ") + song;
}

void MainWindow::cleanTitle(QString &text)
{
    for (const char *decoration : {"(Live)", "(live)", "(", ")", "~", "-"})
        text.remove(QLatin1String(decoration));
    text = text.trimmed();
}

void MainWindow::slot_NotifyServer(uint cmd_mess)
{
    switch (cmd_mess) {
    case uint(PageNotice::PageLoaded):
        ui->btPlay->setEnabled(true);
        return;
    case uint(PageNotice::VideoEnded):
        companionNotifier->videoEnded();
        break;
    default:
        companionNotifier->playerStateChanged(PlayerNotification(cmd_mess));
        break;
    }
    playerBrowser->setFocus();
}

void MainWindow::slot_loadProgress(const QString &text)
{
    setWindowTitle(text);
}

void MainWindow::slot_browserReady()
{
    if (companionNotifier->playerReady())
        setWindowTitle(tr("Ready"));
}

void MainWindow::slot_statusChange(int status, const QString &)
{
    switch (status) {
    case VideoPlayerBrowser::Playing:
    case VideoPlayerBrowser::Buffering:
        ui->btPlay->setText(tr("Pause"));
        break;
    case VideoPlayerBrowser::Paused:
    case VideoPlayerBrowser::Unstarted:
        ui->btPlay->setText(tr("Play"));
        break;
    case VideoPlayerBrowser::Ended:
        if (!hiddenInTray)
            showMinimized();
        ui->btPlay->setText(tr("Play"));
        break;
    case VideoPlayerBrowser::VideoCued:
        QTimer::singleShot(waitingResizeDelayMs, this, &MainWindow::slot_resizePlayer);
        break;
    default:
        break;
    }
}

void MainWindow::slot_Error(int error, const QString &text)
{
    if (VideoPlayerBrowser::isNotAllowedError(error))
        notifyServer(PlayerNotification::PlayerError, text);
    // The page says the same when the site went away; the hosts tell which it is.
    if (error == VideoPlayerBrowser::VideoNotFound && !retryTimer->isActive())
        hostProbe->check({AppSettings::videoSiteHost(), AppSettings::makerHost()});
    // The player page shows what went wrong; a video asked for while a list page is in front
    // would otherwise fail where nobody looks.
    ui->stackedWidget->setCurrentWidget(playerBrowser);
    // An empty title reads as the program's name, which says nothing of the failure.
    setWindowTitle(text.isEmpty() ? tr("The video cannot be played") : text);
}

void MainWindow::slot_volumeChanged(int value)
{
    settings.setVolume(value);
}

void MainWindow::slot_videoChangedUrl(const QString &video_url)
{
    const QString id = videoIdFromUrl(video_url);
    if (video_url == videoUrl) {
        // The same video plays again: a watch page that could not be had is asked for again,
        // or Download would offer nothing but MP3 until another video plays.
        if (!id.isEmpty() && id == videoHtmlInfo.videoId() && videoHtmlInfo.fetchFailed())
            videoHtmlInfo.load(id);
        return;
    }
    ui->actionBookmark->setEnabled(true);
    videoUrl = video_url;
    if (!id.isEmpty()) {
        playerBrowser->requestVideoTitle(id);
        analysedVideoUrl = video_url;
        videoHtmlInfo.load(id);
    }
}

void MainWindow::slot_videoChanged(const QString &video_json)
{
    if (video_json == companionNotifier->currentVideo())
        return;
    auto record = QSharedPointer<VideoRecord>::create();
    record->fromJson(video_json);
    if (record->id().isEmpty()) {
        setWindowTitle(tr("No video information found"));
        return;
    }
    if (record->id() == currentVideoId)
        return;

    companionNotifier->setCurrentVideo(video_json);
    VideoRecord::removeById(localHistory, record->id());
    localHistory.append(record);
    videoTitle = record->title();
    currentVideoId = record->id();
    // An empty title would read as the program's name, as if nothing were loading.
    setWindowTitle(videoTitle.isEmpty() ? currentVideoId : videoTitle);

    if (QWidget *page = ui->stackedWidget->currentWidget())
        page->setFocus();
    if (!volumeRestored) {
        const int volume = settings.volume();
        if (volume >= 0)
            playerBrowser->setPlayerVolume(volume);
        volumeRestored = true;
    }
    if (lyricsPanel) {
        trackInfo = trackInfoFromTitle(videoTitle);
        lyricsPanel->showLyrics(trackInfo);
    }
    companionNotifier->videoChanged();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (resizePending)
        return;
    resizePending = true;
    QTimer::singleShot(resizeDelayMs, this, &MainWindow::slot_resizePlayer);
}

void MainWindow::slot_resizePlayer()
{
    resizePending = false;
    if (playerBrowser)
        playerBrowser->resizeVideo(playerBrowser->size());
}

void MainWindow::slot_commandReceived(uint cmd, const QString &mess)
{
    companionCommands->dispatch(cmd, mess);
}

void MainWindow::playRequestedVideo(bool evenWithoutId)
{
    retryTimer->stop();
    retryDelayMs = 0;
    if (!hiddenInTray)
        showAgain();
    if (evenWithoutId || !requestedVideoId.isEmpty())
        loadRequestedVideo();
}

void MainWindow::showSearchCategory(const QString &name, int category)
{
    ui->stackedWidget->setCurrentWidget(searchBrowser);
    setSearchText(name);
    searchBrowser->showCategory(category);
}

void MainWindow::searchFromCompanion(const QString &text)
{
    slot_showMainWindow();
    ui->stackedWidget->setCurrentWidget(searchBrowser);
    searchBrowser->search(text);
    searchText = text;
    setSearchText(text);
}

void MainWindow::showHistoryList(const QString &listJson)
{
    if (!listJson.isEmpty()) {
        historyBrowser->setVideos(listJson);
        return;
    }
    QString local;
    videoListToJson(localHistory, local, companionHistoryCount);
    historyBrowser->setVideos(local);
}

void MainWindow::slot_videoClicked(const QString &video_id)
{
    ui->stackedWidget->setCurrentWidget(playerBrowser);
    playVideo(video_id);
}

void MainWindow::slot_lyricsNeedTrackInfo(QString &track_info)
{
    // The track the page's link names, however the page was reached (F4 included).
    track_info = trackInfo;
}

void MainWindow::slot_lyricsNewTrackInfo(const QString &track_info)
{
    trackInfo = track_info;
    lyricsPanel->showLyrics(trackInfo);
}

void MainWindow::on_stackedWidget_currentChanged(int)
{
    QWidget *page = ui->stackedWidget->currentWidget();
    if (page && page == downloadPanel) {
        if (!downloadTitleInSearchBox)
            searchBoxBeforeDownloadPage = ui->teSearch->text();
        downloadTitleInSearchBox = true;
        setSearchText(downloadPanel->currentTitle());
    } else if (downloadTitleInSearchBox) {
        downloadTitleInSearchBox = false;
        setSearchText(searchBoxBeforeDownloadPage);
    }
    const bool withSearchBox =
        page != playerBrowser && page != historyBrowser && page != lyricsPanel;
    ui->teSearch->setVisible(withSearchBox);
    ui->btSearch->setVisible(withSearchBox);
    ui->lblHeading->hide();
    ui->lblHeading->setText(tr("Click search button to start"));
    ui->teSearch->setEnabled(false);
    ui->btSearch->setEnabled(false);
    if (page == relatedBrowser) {
        ui->lblHeading->show();
        ui->btSearch->setEnabled(true);
    } else if (page == searchBrowser) {
        ui->teSearch->setEnabled(true);
        ui->teSearch->setFocus();
        ui->btSearch->setEnabled(true);
    }
}

void MainWindow::slot_videoHtmlInfoReady()
{
    ui->actionDownload->setEnabled(videoHtmlInfo.hasFormats());
}

void MainWindow::slot_downloadStarted()
{
    ui->btStop->show();
    if (downloadTitleInSearchBox)
        setSearchText(downloadPanel->currentTitle());
}

void MainWindow::slot_downloadProgress(const QString &text)
{
    // The text is a link to the download page, which shows the download it reports on.
    ui->lblStatus->setText(QStringLiteral("<a href=\"local://%1\">%2</a>")
                               .arg(QStringLiteral("show_download"), text.toHtmlEscaped()));
    ui->lblStatus->setToolTip(tr("Click to show the download"));
}

void MainWindow::slot_downloadFinished(bool error)
{
    ui->actionDownload->setText(tr("Download"));
    ui->btStop->hide();
    if (error)
        return;
    ui->lblStatus->setText(QStringLiteral("<a href=\"local://%1\">%2</a>")
                               .arg(QStringLiteral("open_folder"), tr("Finished")));
    ui->lblStatus->setToolTip(tr("Click to open folder"));
}

void MainWindow::slot_statusLinkActivated(const QString &link)
{
    // The folder the panel really wrote to: the one of the file as the user confirmed it in the
    // file-name dialog, which may name another folder than the recording folder.
    if (link.contains(QLatin1String("show_download"))) {
        ui->stackedWidget->setCurrentWidget(downloadPanel);
        return;
    }
    if (!link.contains(QLatin1String("open_folder")))
        return;
    const QString file = downloadPanel->finishedFile();
    QT_EXT::openLocalFile(file.isEmpty() ? VideoDownloadPanel::downloadFolder(recordingFolder)
                                         : QFileInfo(file).absolutePath());
}

void MainWindow::setSearchText(const QString &text)
{
    ui->teSearch->setText(text);
    ui->teSearch->setToolTip(text);
    ui->teSearch->setCursorPosition(0);
}
