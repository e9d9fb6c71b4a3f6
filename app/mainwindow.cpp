#include "mainwindow.h"

#include "companionlink.h"
#include "ipcsocket.h"
#include "json.h"
#include "messages.h"
#include "pages/videoplayerbrowser.h"
#include "qttextparse.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace {

// The companion expects NextTrack this long after a video ended.
constexpr int nextTrackDelayMs = 2000;
constexpr int playerReadyDelayMs = 100;
constexpr int videoChangedDelayMs = 1000;
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
    ui = new Ui_MainWindow;
    ui->setupUi(this);
    hiddenInTray = false;
    addToolBar(Qt::RightToolBarArea, ui->mainToolBar);

    connect(&exceptionHandler, &ExceptionHandler::signal_Exception, this,
            &MainWindow::slot_exceptionHandler);

    playerBrowser = new VideoPlayerBrowser(ui->stackedWidget);
    setAcceptDrops(true);
    QT_EXT::setDefaultMessageParent(this);

    companionLink = new QT_EXT::IPCSocket(this, playerServerName);
    setCompanionSocket(companionLink);
    connect(companionLink, &QT_EXT::IPCSocket::signal_commandReceived, this,
            &MainWindow::slot_commandReceived);

    connect(ui->btPlay, &QPushButton::clicked, this, &MainWindow::slot_Play);

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
    ui->stackedWidget->addWidget(playerBrowser);

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

    buildTrayIcon();
    buildSearchMenu();

    settings.restoreWindowGeometry(this);
}

MainWindow::~MainWindow()
{
    notifyServer(PlayerNotification::Closing, QString());
    settings.saveWindowGeometry(this);
    delete ui;
}

void MainWindow::buildCopyMenu()
{
    copyMenu = new QMenu(this);
    copyMenu->addAction(tr("URL"));
    copyMenu->addSeparator();
    copyMenu->addAction(tr("Title"));
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
    trayMenu = new QMenu;
    connect(trayMenu->addAction(tr("Show")), &QAction::triggered, this,
            &MainWindow::slot_showMainWindow);
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

void MainWindow::on_actionMinimize_to_tray_triggered()
{
    hide();
    hiddenInTray = true;
}

void MainWindow::slot_exceptionHandler()
{
    notifyServer(PlayerNotification::ExceptionRaised, QString());
}

void MainWindow::loadRequestedVideo()
{
    setWindowTitle(tr("%1...").arg(tr("Loading player")));
    playerBrowser->loadVideo(requestedVideoId);
}

QString MainWindow::videoIdFromUrl(const QString &url)
{
    QT_EXT::QtTextParse parser(url);
    parser.skipPast(QStringLiteral("v="));
    return parser.readUntil(QLatin1Char('&'));
}

void MainWindow::slot_NotifyServer(uint cmd_mess)
{
    if (cmd_mess == 0) {
        ui->btPlay->setEnabled(true);
        return;
    }
    if (cmd_mess == 8) {
        pendingCommand = uint(PlayerNotification::NextTrack);
        QTimer::singleShot(nextTrackDelayMs, this, &MainWindow::slot_sendCommand);
        cmd_mess = uint(PlayerNotification::VideoPaused);
    }
    notifyServer(cmd_mess, currentVideoJson);
    playerBrowser->setFocus();
}

void MainWindow::slot_loadProgress(const QString &text)
{
    setWindowTitle(text);
}

void MainWindow::slot_browserReady()
{
    if (pendingCommand != 0)
        return;
    setWindowTitle(tr("Ready"));
    pendingCommand = uint(PlayerNotification::PlayerReady);
    QTimer::singleShot(playerReadyDelayMs, this, &MainWindow::slot_sendCommand);
}

void MainWindow::slot_sendCommand()
{
    notifyServer(pendingCommand, QString());
}

void MainWindow::slot_statusChange(int status, const QString &)
{
    switch (status) {
    case 1:
    case 3:
        ui->btPlay->setText(tr("Pause"));
        break;
    case 2:
    case -1:
        ui->btPlay->setText(tr("Play"));
        break;
    case 0:
        if (!hiddenInTray)
            showMinimized();
        ui->btPlay->setText(tr("Play"));
        break;
    case 5:
        QTimer::singleShot(waitingResizeDelayMs, this, &MainWindow::slot_resizePlayer);
        break;
    default:
        break;
    }
}

void MainWindow::slot_Error(int error, const QString &text)
{
    if (error == 101)
        notifyServer(PlayerNotification::PlayerError, text);
    setWindowTitle(text);
}

void MainWindow::slot_volumeChanged(int value)
{
    settings.setVolume(value);
}

void MainWindow::slot_videoChangedUrl(const QString &video_url)
{
    if (video_url == videoUrl)
        return;
    ui->actionBookmark->setEnabled(true);
    videoUrl = video_url;
    const QString id = videoIdFromUrl(video_url);
    if (!id.isEmpty())
        playerBrowser->requestVideoTitle(id);
}

void MainWindow::slot_videoChanged(const QString &video_json)
{
    if (video_json == currentVideoJson)
        return;
    auto record = QSharedPointer<VideoRecord>::create();
    record->fromJson(video_json);
    if (record->id().isEmpty()) {
        setWindowTitle(tr("No video information found"));
        return;
    }
    if (record->id() == currentVideoId)
        return;

    currentVideoJson = video_json;
    VideoRecord::removeById(localHistory, record->id());
    localHistory.append(record);
    videoTitle = record->title();
    currentVideoId = record->id();
    setWindowTitle(videoTitle);

    if (QWidget *page = ui->stackedWidget->currentWidget())
        page->setFocus();
    if (!volumeRestored) {
        const int volume = settings.volume();
        if (volume >= 0)
            playerBrowser->setPlayerVolume(volume);
        volumeRestored = true;
    }
    QTimer::singleShot(videoChangedDelayMs, this, &MainWindow::slot_sendVideoChanged);
}

void MainWindow::slot_sendVideoChanged()
{
    if (currentVideoJson.isEmpty())
        return;
    ui->stackedWidget->setCurrentWidget(playerBrowser);
    notifyServer(PlayerNotification::VideoChanged, currentVideoJson);
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

void MainWindow::slot_Play()
{
    switch (playerBrowser->playerState()) {
    case -1:
    case 2:
    case 5:
        playerBrowser->play();
        break;
    case 1:
    case 3:
        if (QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier))
            playerBrowser->stop();
        else
            playerBrowser->pause();
        break;
    default:
        break;
    }
}

void MainWindow::on_btNext_clicked()
{
    setWindowTitle(tr("%1...").arg(tr("Skipping")));
    notifyServer(PlayerNotification::NextTrack, QString());
}

void MainWindow::slot_commandReceived(uint cmd, const QString &mess)
{
    switch (CompanionCommand(cmd)) {
    case CompanionCommand::Quit:
        QApplication::exit(0);
        break;
    case CompanionCommand::PlayVideo:
        requestedVideoId = mess;
        if (!hiddenInTray)
            showAgain();
        loadRequestedVideo();
        break;
    case CompanionCommand::SetRecordingFolder:
        recordingFolder = mess;
        break;
    case CompanionCommand::IgnoredText:
        break;
    case CompanionCommand::BookmarkState:
        ui->actionBookmark->setEnabled(mess != QLatin1String("yes"));
        break;
    case CompanionCommand::JsonCommand:
        runJsonCommand(mess);
        break;
    case CompanionCommand::ShowHistory:
        break;
    }
}

void MainWindow::runJsonCommand(const QString &json)
{
    // QVariantMap visits its keys in ascending order, which sets the folder before the video.
    const QVariantMap command = QT_EXT::parseJson(json).toMap();
    const QString name = command.value(QStringLiteral("Command")).toString();
    if (name == QLatin1String("Play")) {
        for (auto it = command.cbegin(); it != command.cend(); ++it) {
            if (it.key() == QLatin1String("RecordingFolder"))
                recordingFolder = it.value().toString();
            else if (it.key() == QLatin1String("VideoID"))
                requestedVideoId = it.value().toString();
        }
        if (!hiddenInTray)
            showAgain();
        if (!requestedVideoId.isEmpty())
            loadRequestedVideo();
    }
}
