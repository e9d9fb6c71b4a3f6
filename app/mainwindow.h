#pragma once

#include "exceptionhandler.h"
#include "pages/appsettings.h"

#include <QMainWindow>
#include <QSystemTrayIcon>

class QMenu;
class Ui_MainWindow;

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
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    QString requestedVideo() const { return requestedVideoId; }
    QString recordingFolderPath() const { return recordingFolder; }
    bool isHiddenInTray() const { return hiddenInTray; }

public slots:
    void slot_oneInstance(const QString &message);
    void slot_commandReceived(uint cmd, const QString &mess);
    void slot_showMainWindow();
    void slot_iconActivated(QSystemTrayIcon::ActivationReason reason);
    void slot_exceptionHandler();

private slots:
    void on_actionMinimize_to_tray_triggered();

private:
    void buildCopyMenu();
    void buildSearchMenu();
    void buildTrayIcon();
    // Brings the window up as it was (maximized or normal) and activates it.
    void showAgain();
    void loadRequestedVideo();
    void runJsonCommand(const QString &json);

    // Declared first: its construction sets the settings identity that everything else reads.
    AppSettings settings;
    Ui_MainWindow *ui = nullptr;
    ExceptionHandler exceptionHandler;
    QT_EXT::IPCSocket *companionLink = nullptr;

    QString requestedVideoId;
    QString recordingFolder;
    bool hiddenInTray = false;

    QMenu *copyMenu = nullptr;
    QMenu *searchMenu = nullptr;
    QSystemTrayIcon *trayIcon = nullptr;
    QMenu *trayMenu = nullptr;
};
