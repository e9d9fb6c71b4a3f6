#pragma once

#include "formatinfo.h"

#include <QDialog>
#include <QMap>
#include <QSharedPointer>
#include <QVector>

#include <memory>

class QModelIndex;

namespace Ui {
class VideoFormatDlg;
}

// Lists the streams that the watch page analysis found and lets the user pick one, or "MP3".
class VideoFormatDlg : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoFormatDlg)

public:
    explicit VideoFormatDlg(QWidget *parent = nullptr);
    ~VideoFormatDlg() override;

    // Named streams in ascending itag order, then "MP3"; "Nothing found" alone for an empty map.
    void setFormats(const QMap<int, QSharedPointer<FormatInfo>> &formats);
    // The choice after exec() returned Accepted; null for "MP3" (and "Nothing found"). The
    // dialog holds the listed records, so the choice outlives a change of the caller's map.
    QSharedPointer<FormatInfo> selectedFormat() const { return m_selected; }

private slots:
    void on_btDownload_clicked();
    void on_lwFormats_doubleClicked(const QModelIndex &index);
    void on_btClose_clicked();

private:
    void choose();

    std::unique_ptr<Ui::VideoFormatDlg> ui;
    QSharedPointer<FormatInfo> m_selected;
    QVector<QSharedPointer<FormatInfo>> m_listed;
};
