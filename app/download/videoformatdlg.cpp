#include "videoformatdlg.h"

#include "messages.h"
#include "ui_videoformatdlg.h"

#include <QListWidgetItem>

VideoFormatDlg::VideoFormatDlg(QWidget *parent) : QDialog(parent), ui(new Ui::VideoFormatDlg)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Formats"));
    ui->lblHeading->setText(QStringLiteral("Choose format:"));
}

VideoFormatDlg::~VideoFormatDlg() = default;

void VideoFormatDlg::setFormats(const QMap<int, QSharedPointer<FormatInfo>> &formats)
{
    ui->lwFormats->clear();
    m_listed.clear();
    if (formats.isEmpty()) {
        ui->lwFormats->addItem(tr("Nothing found"));
        return;
    }
    for (const QSharedPointer<FormatInfo> &format : formats) {
        if (!format || format->name.isEmpty())
            continue;
        auto *item = new QListWidgetItem(format->name, ui->lwFormats);
        item->setData(Qt::UserRole, qint64(reinterpret_cast<quintptr>(format.data())));
        m_listed.append(format);
    }
    ui->lwFormats->addItem(tr("MP3"));
}

void VideoFormatDlg::on_btDownload_clicked()
{
    choose();
}

void VideoFormatDlg::on_lwFormats_doubleClicked(const QModelIndex &)
{
    choose();
}

void VideoFormatDlg::on_btClose_clicked()
{
    reject();
}

void VideoFormatDlg::choose()
{
    const QListWidgetItem *item = ui->lwFormats->currentItem();
    if (!item) {
        QT_EXT::msgInformation(tr("No format selected"));
        return;
    }
    m_selected.reset();
    const QVariant data = item->data(Qt::UserRole);
    if (!data.isNull()) {
        const quintptr address = quintptr(data.toULongLong());
        for (const QSharedPointer<FormatInfo> &format : qAsConst(m_listed)) {
            if (reinterpret_cast<quintptr>(format.data()) == address)
                m_selected = format;
        }
    }
    accept();
}
