#include "trackinfodlg.h"

#include "ui_trackinfodlg.h"

#include <QStringList>

TrackInfoDlg::TrackInfoDlg(QWidget *parent) : QDialog(parent), ui(new Ui::TrackInfoDlg)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Track Information"));
}

TrackInfoDlg::~TrackInfoDlg() = default;

void TrackInfoDlg::setTrackInfo(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() == 2) {
        ui->teArtist->setText(parts.at(0).trimmed());
        ui->teSongTitle->setText(parts.at(1).trimmed());
    } else {
        ui->teArtist->setText(text);
    }
}

QString TrackInfoDlg::trackInfo() const
{
    QString text = artist();
    const QString title = songTitle();
    if (!title.isEmpty())
        text += QStringLiteral(" - ") + title;
    return text;
}

QString TrackInfoDlg::artist() const
{
    return ui->teArtist->text().trimmed();
}

QString TrackInfoDlg::songTitle() const
{
    return ui->teSongTitle->text().trimmed();
}

void TrackInfoDlg::on_buttonBox_accepted()
{
    accept();
}

void TrackInfoDlg::on_buttonBox_rejected()
{
    reject();
}

void TrackInfoDlg::on_buttonBox_clicked(QAbstractButton *) {}
