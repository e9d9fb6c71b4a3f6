#include "inputdlg.h"

#include "ui_inputdlg.h"

#include <QDir>

InputDlg::InputDlg(const QString &text, QWidget *parent) : QDialog(parent), ui(new Ui::InputDlg)
{
    ui->setupUi(this);
    ui->teFilename->setText(QDir::toNativeSeparators(text));
    setWindowTitle(QStringLiteral("Change if needed"));
}

InputDlg::~InputDlg() = default;

QString InputDlg::text() const
{
    return ui->teFilename->text();
}

void InputDlg::on_buttonBox_accepted()
{
    accept();
}
