#include "mainwindow.h"

#include "companionlink.h"
#include "ipcsocket.h"
#include "json.h"
#include "messages.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QMenu>
#include <QToolButton>

namespace {

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

    setAcceptDrops(true);
    QT_EXT::setDefaultMessageParent(this);

    companionLink = new QT_EXT::IPCSocket(this, playerServerName);
    setCompanionSocket(companionLink);
    connect(companionLink, &QT_EXT::IPCSocket::signal_commandReceived, this,
            &MainWindow::slot_commandReceived);

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

    ui->lblHeading->clear();
    ui->lblHeading->hide();

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
    hiddenInTray = false;
    showAgain();
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
