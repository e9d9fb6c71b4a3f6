#include "videodownloadpanel.h"

#include "companionlink.h"
#include "desktop.h"
#include "downloadnames.h"
#include "format.h"
#include "inputdlg.h"
#include "json.h"
#include "messages.h"
#include "ui_videodownloadpanel.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidgetItem>
#include <QMessageBox>
#include <QStandardPaths>
#include <QVariantMap>

#include <filesystem>
#include <limits>
#include <system_error>

namespace {

std::filesystem::path fileSystemPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Puts source in the place of target in one step, so that target is never missing or short.
bool replaceFile(const QString &source, const QString &target)
{
    std::error_code error;
    std::filesystem::rename(fileSystemPath(source), fileSystemPath(target), error);
    return !error;
}

} // namespace

VideoDownloadPanel::VideoDownloadPanel(QWidget *parent)
    : QWidget(parent), ui(new Ui::VideoDownloadPanel)
{
    ui->setupUi(this);
    ui->progressBar->hide();
    ui->lblStatus->clear();
    connect(&m_engine, &QT_EXT::QHttpExt::sig_Finished, this, &VideoDownloadPanel::slot_Finished);
    connect(&m_engine, &QT_EXT::QHttpExt::sig_Started, this, &VideoDownloadPanel::slot_Started);
    connect(&m_engine, &QT_EXT::QHttpExt::sig_ReadProgress, this,
            &VideoDownloadPanel::slot_readProgress);
}

VideoDownloadPanel::~VideoDownloadPanel()
{
    // A download that is cut off by the end of the program leaves no partial file behind.
    m_engine.disconnect(this);
    if (m_activeId != 0) {
        m_engine.removeTransfer(m_activeId);
        QFile::remove(m_partPath);
    }
}

QString VideoDownloadPanel::downloadFolder(const QString &folder)
{
    if (!folder.isEmpty() && QDir(folder).exists())
        return folder;
    const QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    // The location is not guaranteed to exist yet.
    if (!movies.isEmpty())
        QDir().mkpath(movies);
    return movies;
}

bool VideoDownloadPanel::startDownload(const DownloadItem &item)
{
    // One download at a time: the running one's names and item must stay as they are.
    if (isDownloading() || m_activeId != 0 || !item.format)
        return false;
    m_current = item;

    QString path = QDir(downloadFolder(item.folder))
                       .filePath(downloadFileName(item.title, item.videoId, item.format->extension,
                                                  QDateTime::currentDateTime()));
    if (QFileInfo::exists(path)) {
        if (QT_EXT::msgYesNo(tr("File already exists. Continue?")) != QMessageBox::Yes)
            return false;
        path = numberedPath(path);
    }

    InputDlg dialog(path, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString target = dialog.text();
    if (target.isEmpty())
        return false;

    // The transfer is written to a file of its own, so the question that the engine would ask
    // about the target is asked here; the old file is replaced only by a complete download.
    bool replace = false;
    if (QFileInfo::exists(target)) {
        if (QMessageBox::question(this, tr("Download"),
                                  tr("There already exists a file called %1 in the current "
                                     "directory. Overwrite?")
                                      .arg(target),
                                  QMessageBox::Ok | QMessageBox::Cancel,
                                  QMessageBox::Cancel) != QMessageBox::Ok) {
            return false;
        }
        replace = true;
    }

    m_targetPath = target;
    m_partPath = partialPath(target);
    m_replaceTarget = replace;
    // A partial file of the same name is what an interrupted run left behind: replace it. The
    // engine keeps its last error across transfers; a refusal must not report an old one.
    m_engine.setLastError(QString());
    const int id = m_engine.download(item.format->url, m_partPath, true, true, 0);
    if (id == 0) {
        m_activeId = 0;
        m_targetPath.clear();
        m_partPath.clear();
        emit signal_downloadProgress(m_engine.lastError());
        return false;
    }
    m_transferId = id;
    return true;
}

void VideoDownloadPanel::slot_Started(const QT_EXT::QHttpExt::httpInfo *info)
{
    // The engine announces the transfer before download() returns its id.
    if (info) {
        m_transferId = info->id;
        m_activeId = info->id;
    }
    ui->btDownload->setEnabled(true);
    ui->progressBar->show();
    ui->lblStatus->setText(tr("Connecting") + QStringLiteral("..."));
    emit signal_downloadStarted();
}

void VideoDownloadPanel::slot_readProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    if (bytesReceived <= 0 || bytesTotal <= 1024)
        return;
    // A progress bar counts in int: larger sizes are scaled down alike.
    const qint64 scale = bytesTotal / std::numeric_limits<int>::max() + 1;
    ui->progressBar->setMaximum(int(bytesTotal / scale));
    ui->progressBar->setValue(int(qMin(bytesReceived, bytesTotal) / scale));

    QString received;
    QT_EXT::formatSize(quint64(bytesReceived), received);
    if (received.isEmpty())
        received = QStringLiteral("0");
    QString total;
    QT_EXT::formatSize(quint64(bytesTotal), total);
    if (!total.isEmpty())
        received += QLatin1Char('/') + total;

    m_status = received;
    ui->lblStatus->setText(m_status);
    emit signal_downloadProgress(m_status);
}

void VideoDownloadPanel::slot_Finished(const QT_EXT::QHttpExt::httpInfo *info)
{
    if (!info)
        return;
    bool failed = info->failed;
    QString error = info->error;

    m_transferId = 0;
    m_activeId = 0;
    ui->btDownload->setEnabled(false);
    ui->progressBar->setValue(0);
    ui->progressBar->hide();
    ui->lblStatus->setText(tr("Download finished"));

    QString path;
    if (!failed && completeFile(path, error)) {
        m_finishedFile = path;
        addEntry(path);
    } else if (!failed) {
        failed = true;
        QT_EXT::msgCritical(error);
    } else {
        // The engine removes its file on failure; nothing partial stays either way.
        QFile::remove(m_partPath);
    }
    m_targetPath.clear();
    m_partPath.clear();

    if (failed)
        emit signal_downloadProgress(error);
    emit signal_downloadFinished(failed);
}

bool VideoDownloadPanel::completeFile(QString &path, QString &error)
{
    const QFileInfo part(m_partPath);
    if (!part.isFile()) {
        error = tr("The downloaded file %1 is missing.").arg(m_partPath);
        return false;
    }
    if (part.size() == 0) {
        QFile::remove(m_partPath);
        error = tr("The server sent no data.");
        return false;
    }
    path = m_targetPath;
    bool renamed = false;
    if (m_replaceTarget) {
        renamed = replaceFile(m_partPath, path);
    } else {
        // QFile::rename never replaces a file. One that took the name during the download is
        // not ours to overwrite: the download takes the next free name instead.
        renamed = QFile::rename(m_partPath, path);
        if (!renamed && QFileInfo::exists(path)) {
            path = numberedPath(path);
            renamed = QFile::rename(m_partPath, path);
        }
    }
    if (!renamed) {
        error =
            tr("The download could not be renamed to %1; it is kept as %2.").arg(path, m_partPath);
    }
    return renamed;
}

void VideoDownloadPanel::addEntry(const QString &path)
{
    auto item = QSharedPointer<DownloadItem>::create(m_current);
    m_items.append(item);
    auto *entry = new QListWidgetItem(QFileInfo(path).fileName(), ui->lwFiles);
    entry->setToolTip(path);
    entry->setData(Qt::UserRole, quint64(reinterpret_cast<quintptr>(item.data())));
}

const DownloadItem *VideoDownloadPanel::listedItem(const QVariant &data) const
{
    const quintptr address = quintptr(data.toULongLong());
    for (const QSharedPointer<DownloadItem> &item : m_items) {
        if (reinterpret_cast<quintptr>(item.data()) == address)
            return item.data();
    }
    return nullptr;
}

void VideoDownloadPanel::on_btDownload_clicked()
{
    stopDownload();
}

void VideoDownloadPanel::stopDownload()
{
    if (m_transferId == 0)
        return;
    if (QT_EXT::msgQuestion(tr("%1?").arg(tr("Stop current download"))) != QMessageBox::Yes)
        return;
    // The download may have ended while the question was open.
    if (m_transferId == 0)
        return;
    m_engine.abortAll();
    m_transferId = 0;
    emit signal_downloadStopped(m_current.videoId);
}

void VideoDownloadPanel::on_lwFiles_doubleClicked(const QModelIndex &)
{
    if (isDownloading())
        return;
    const QListWidgetItem *entry = ui->lwFiles->currentItem();
    if (!entry)
        return;
    const QVariant data = entry->data(Qt::UserRole);
    const DownloadItem *item = data.isNull() ? nullptr : listedItem(data);
    if (!item)
        return;
    if (QApplication::keyboardModifiers() & Qt::ControlModifier) {
        const QVariantMap record{{QStringLiteral("title"), item->title},
                                 {QStringLiteral("url"), entry->toolTip()},
                                 {QStringLiteral("thumbnail"), item->thumbnail}};
        notifyServerJson(PlayerNotification::DownloadedFile, QT_EXT::toJson(record));
    } else {
        QT_EXT::openLocalFile(entry->toolTip());
    }
}
