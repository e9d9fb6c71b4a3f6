#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class InputDlg;
}

// Shows a proposed file path and lets the user edit it.
class InputDlg : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InputDlg)

public:
    // The text is shown with the platform's separators.
    explicit InputDlg(const QString &text, QWidget *parent = nullptr);
    ~InputDlg() override;

    // The field as the user left it; separators are not converted back.
    QString text() const;

private slots:
    void on_buttonBox_accepted();

private:
    std::unique_ptr<Ui::InputDlg> ui;
};
