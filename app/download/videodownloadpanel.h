#pragma once

#include "downloaditem.h"
#include "qhttpext.h"

#include <QSharedPointer>
#include <QString>
#include <QVector>
#include <QWidget>

#include <memory>

class QModelIndex;

namespace Ui {
class VideoDownloadPanel;
}

// The download page: downloads one video file at a time into the recording folder, shows its
// progress and lists the files downloaded in this run.
//
// A download is written to "<name>.part" and gets its name only once the transfer is complete,
// so a failed, stopped or interrupted download never leaves a short file under the final name.
class VideoDownloadPanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoDownloadPanel)

public:
    explicit VideoDownloadPanel(QWidget *parent = nullptr);
    ~VideoDownloadPanel() override;

    // Works out the file name, lets the user confirm it and starts the transfer. False when the
    // user cancelled, the engine refused, or a download is already running.
    bool startDownload(const DownloadItem &item);
    bool isDownloading() const { return m_transferId != 0; }
    // Stops the running download once the user confirmed it (the page's Stop button does the
    // same).
    void stopDownload();
    // The title of the video of the running download, or of the last one.
    const QString &currentTitle() const { return m_current.title; }
    // The last progress text.
    const QString &statusText() const { return m_status; }
    // The file that the last complete download was written to, as the user confirmed or typed
    // it (numbered when its name was taken meanwhile); empty before the first one.
    const QString &finishedFile() const { return m_finishedFile; }

    // The folder a download goes to: the given one, or the movies location when it is empty or
    // missing.
    static QString downloadFolder(const QString &folder);

signals:
    void signal_downloadStarted();
    void signal_downloadProgress(QString status);
    void signal_downloadFinished(bool error);
    void signal_downloadStopped(QString video_id);

public slots:
    void slot_Started(const QT_EXT::QHttpExt::httpInfo *info);
    void slot_readProgress(qint64 bytesReceived, qint64 bytesTotal);
    void slot_Finished(const QT_EXT::QHttpExt::httpInfo *info);

private slots:
    void on_btDownload_clicked();
    void on_lwFiles_doubleClicked(const QModelIndex &index);

private:
    bool completeFile(QString &path, QString &error);
    void addEntry(const QString &path);
    const DownloadItem *listedItem(const QVariant &data) const;

    std::unique_ptr<Ui::VideoDownloadPanel> ui;
    QT_EXT::QHttpExt m_engine;
    int m_transferId = 0; // set while a download runs (not after a confirmed stop)
    int m_activeId = 0;   // the transfer whose file is still to be finished or removed
    QString m_status;
    DownloadItem m_current;
    QString m_targetPath;         // name the running download gets when it is complete
    QString m_partPath;           // where it is written meanwhile
    QString m_finishedFile;       // see finishedFile()
    bool m_replaceTarget = false; // the user agreed to overwrite a file of the target name
    QVector<QSharedPointer<DownloadItem>> m_items; // the downloads listed in lwFiles
};
