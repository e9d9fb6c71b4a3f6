#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QAbstractButton;

namespace Ui {
class TrackInfoDlg;
}

// Lets the user confirm or correct artist and song title before a lyrics search. Converts
// between the single track text "artist - title" and the two fields.
class TrackInfoDlg : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrackInfoDlg)

public:
    explicit TrackInfoDlg(QWidget *parent = nullptr);
    ~TrackInfoDlg() override;

    // Fills both fields when the text splits at '-' into exactly two parts; otherwise the whole
    // text goes into the artist field and the title field keeps what it holds.
    void setTrackInfo(const QString &text);
    // The trimmed artist, then " - " and the trimmed title when there is one.
    QString trackInfo() const;
    QString artist() const;
    QString songTitle() const;

private slots:
    void on_buttonBox_accepted();
    void on_buttonBox_rejected();
    void on_buttonBox_clicked(QAbstractButton *button);

private:
    std::unique_ptr<Ui::TrackInfoDlg> ui;
};
