// The main window's user actions: the toolbar, the buttons under the pages, the search box,
// F4 and closing. The window's construction and its reactions to the pages and the companion
// are in mainwindow.cpp.

#include "mainwindow.h"

#include "companionlink.h"
#include "companionnotifier.h"
#include "desktop.h"
#include "download/downloaditem.h"
#include "download/videodownloadpanel.h"
#include "download/videoformatdlg.h"
#include "download/videohtmlinfo.h"
#include "lyrics/lyricspanel.h"
#include "messages.h"
#include "pages/videolistbrowser.h"
#include "pages/videoplayerbrowser.h"
#include "qhttpext.h"
#include "ui_mainwindow.h"
#include "webaddress.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

namespace {

// How many videos of the local history History with Ctrl shows.
constexpr int localHistoryCount = 50;

// The second meaning of an action: Ctrl held at the moment it runs.
bool ctrlHeld()
{
    return QApplication::keyboardModifiers().testFlag(Qt::ControlModifier);
}

} // namespace

void MainWindow::on_actionMinimize_to_tray_triggered()
{
    hide();
    hiddenInTray = true;
}

void MainWindow::slot_Play()
{
    switch (playerBrowser->playerState()) {
    case VideoPlayerBrowser::Unstarted:
    case VideoPlayerBrowser::Paused:
    case VideoPlayerBrowser::VideoCued:
        playerBrowser->play();
        break;
    case VideoPlayerBrowser::Playing:
    case VideoPlayerBrowser::Buffering:
        if (ctrlHeld())
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

void MainWindow::on_actionPlayer_triggered()
{
    ui->stackedWidget->setCurrentWidget(playerBrowser);
    if (ctrlHeld())
        playVideo(currentVideoId);
}

void MainWindow::on_actionLyrics_triggered()
{
    ui->stackedWidget->setCurrentWidget(lyricsPanel);
    // The link names the track that the lyrics search asks for.
    lyricsPanel->showLyrics(trackInfo);
    lyricsPanel->setFocus();
}

void MainWindow::on_actionRelated_triggered()
{
    ui->stackedWidget->setCurrentWidget(relatedBrowser);
}

void MainWindow::on_actionSearch_triggered()
{
    if (ui->stackedWidget->currentWidget() == searchBrowser) {
        on_teSearch_returnPressed();
        return;
    }
    searchText = videoTitle;
    setSearchText(searchText);
    ui->stackedWidget->setCurrentWidget(searchBrowser);
    ui->teSearch->setFocus();
}

void MainWindow::on_teSearch_returnPressed()
{
    const QString text = ui->teSearch->text();
    ui->stackedWidget->setCurrentWidget(searchBrowser);
    if (!text.isEmpty())
        searchBrowser->search(text);
    searchText = text;
    ui->teSearch->setFocus();
}

void MainWindow::on_btSearch_clicked()
{
    if (ui->stackedWidget->currentWidget() != relatedBrowser) {
        on_actionSearch_triggered();
        return;
    }
    if (currentVideoId.isEmpty())
        QT_EXT::msgInformation(tr("No video found"));
    else
        relatedBrowser->showRelated(currentVideoId);
    ui->lblHeading->setText(videoTitle);
    ui->lblHeading->setToolTip(videoTitle);
    relatedBrowser->setFocus();
}

void MainWindow::on_actionHistory_triggered()
{
    if (ui->stackedWidget->currentWidget() == searchBrowser)
        searchText = ui->teSearch->text();
    ui->teSearch->setEnabled(false);
    ui->stackedWidget->setCurrentWidget(historyBrowser);
    if (ctrlHeld()) {
        QString local;
        videoListToJson(localHistory, local, localHistoryCount);
        historyBrowser->setVideos(local);
    } else {
        notifyServer(PlayerNotification::HistoryRequest, QStringLiteral("25"));
    }
    historyBrowser->setFocus();
}

void MainWindow::on_actionDownload_triggered()
{
    if (currentVideoId.isEmpty()) {
        QT_EXT::msgInformation(tr("No valid URL found"));
        return;
    }
    if (downloadPanel->isDownloading()) {
        ui->stackedWidget->setCurrentWidget(downloadPanel);
        return;
    }
    // The dialog lists the streams of the analysed watch page; the stream, the file's name and
    // the address that "MP3" converts are all of that video. Another video may come in while the
    // dialog is open, so they are bound to it now.
    const QString videoId = videoHtmlInfo.videoId();
    const QString watchAddress = analysedVideoUrl;
    VideoFormatDlg dialog(this);
    dialog.setFormats(videoHtmlInfo.formats());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const QSharedPointer<FormatInfo> format = dialog.selectedFormat()) {
        // The history keeps the record of a video that is no longer shown; one that arrived
        // while the dialog was open is found as well.
        const auto record = VideoRecord::findById(localHistory, videoId);
        if (!record)
            return;
        DownloadItem item;
        item.videoId = record->id();
        item.folder = recordingFolder;
        item.title = record->title();
        item.thumbnail = record->thumbnail();
        item.format = format;
        downloadPanel->startDownload(item);
        return;
    }
    // "MP3": the maker's conversion page, given the watch address up to its first "&" as it is.
    const QStringList parts = watchAddress.split(QLatin1Char('&'));
    if (parts.size() >= 2) {
        QT_EXT::openUrl(QStringLiteral("http://%1/sonvara/video2mp3.php?url=%2")
                            .arg(AppSettings::makerHost(), parts.first()));
    }
}

void MainWindow::on_btStop_clicked()
{
    downloadPanel->stopDownload();
}

void MainWindow::on_btCopy_clicked()
{
    if (ctrlHeld()) {
        on_actionDownload_triggered();
        return;
    }
    const QStringList parts = videoUrl.split(QLatin1Char('&'));
    if (parts.size() < 2)
        return;
    QGuiApplication::clipboard()->setText(parts.first());
    QT_EXT::msgInformation(videoUrl + QLatin1Char('\n') + tr("URL copied to clipboard"));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (downloadPanel->isDownloading() &&
        QT_EXT::msgQuestion(tr("You are currently download. Exit anyway?")) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    companionNotifier->closing();
    QMainWindow::closeEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_F4)
        return;
    QWidget *current = ui->stackedWidget->currentWidget();
    if (current != playerBrowser) {
        previousPage = current;
        ui->stackedWidget->setCurrentWidget(playerBrowser);
    } else if (previousPage) {
        ui->stackedWidget->setCurrentWidget(previousPage);
    }
}

void MainWindow::on_btCopyTitle_clicked()
{
    QGuiApplication::clipboard()->setText(videoTitle);
    QT_EXT::msgInformation(videoTitle + QLatin1Char('\n') + tr("Title copied to clipboard"));
}

QString MainWindow::bookmarkText() const
{
    const QString currentVideoJson = companionNotifier->currentVideo();
    if (!currentVideoJson.isEmpty()) {
        VideoRecord record;
        record.fromJson(currentVideoJson);
        if (!record.id().isEmpty() && record.id() != currentVideoId)
            return currentVideoId;
        return currentVideoJson;
    }
    return currentVideoId.isEmpty() ? requestedVideoId : currentVideoId;
}

void MainWindow::slot_Bookmark()
{
    const QString text = bookmarkText();
    if (text.isEmpty())
        return;
    if (ctrlHeld()) {
        QT_EXT::msgInformation(text);
        notifyServer(PlayerNotification::BookmarkVideoAlt, text);
        return;
    }
    notifyServer(PlayerNotification::BookmarkVideo, text);
    // A new watch address or the companion's BookmarkState enables it again.
    ui->actionBookmark->setEnabled(false);
}

void MainWindow::slot_Browser()
{
    playerBrowser->pause();
    ui->stackedWidget->setCurrentWidget(playerBrowser);
    QT_EXT::openUrl(VideoHtmlInfo::watchUrl(currentVideoId));
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    const QString address = urls.first().toString();
    // Only a web address is taken: a dropped file or any other scheme is not read.
    if (!QT_EXT::isWebAddress(urls.first())) {
        QT_EXT::msgInformation(QT_EXT::QHttpExt::refusedAddressText(address));
        return;
    }
    // Without "v=" the address names no video: it is no id to hand to the player.
    const QString id = address.contains(QLatin1String("v="), Qt::CaseInsensitive)
                           ? videoIdFromUrl(address)
                           : QString();
    if (id.isEmpty()) {
        QT_EXT::msgInformation(tr("Not video found"));
        return;
    }
    playVideo(id);
}
