#include "dialoganswerer.h"
#include "download/inputdlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class tst_InputDlg : public QObject
{
    Q_OBJECT

private slots:
    void form();
    void editedTextUnchanged_data();
    void editedTextUnchanged();
    void cancel();
};

void tst_InputDlg::form()
{
    InputDlg dialog(QStringLiteral("/a/b.mp4"));
    QCOMPARE(dialog.objectName(), QStringLiteral("InputDlg"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Change if needed"));
    QCOMPARE(dialog.size(), QSize(400, 86));
    auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
    QVERIFY(grid);
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("lblInput"));
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("teFilename"));
    auto *box = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QVERIFY(label && edit && box);
    QCOMPARE(label->text(), QStringLiteral("Filename:"));
    QCOMPARE(label->maximumSize(), QSize(16777215, 20));
    QCOMPARE(box->orientation(), Qt::Horizontal);
    QCOMPARE(box->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    const QList<QWidget *> column{label, edit, box};
    for (int row = 0; row < column.size(); ++row) {
        int r = -1, c = -1, rs = -1, cs = -1;
        grid->getItemPosition(grid->indexOf(column.at(row)), &r, &c, &rs, &cs);
        QCOMPARE((QList<int>{r, c, rs, cs}), (QList<int>{row, 0, 1, 1}));
    }
    QCOMPARE(edit->nextInFocusChain(), box);
}

void tst_InputDlg::editedTextUnchanged_data()
{
    QTest::addColumn<QString>("edited");
    QTest::newRow("forward slashes") << "/movies/New name.mp4";
    QTest::newRow("backslashes") << "C:\\Movies\\x.mp4";
}

void tst_InputDlg::editedTextUnchanged()
{
    QFETCH(QString, edited);
    const QString proposed = QStringLiteral("/movies/a/b.mp4");
    InputDlg dialog(proposed);
    QCOMPARE(dialog.text(), QDir::toNativeSeparators(proposed));

    DialogAnswerer answerer;
    answerer.handle([edited](QWidget *shown) {
        shown->findChild<QLineEdit *>(QStringLiteral("teFilename"))->setText(edited);
        shown->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(dialog.text(), edited);
}

void tst_InputDlg::cancel()
{
    InputDlg dialog(QStringLiteral("/a/b.mp4"));
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Cancel);
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(answerer.answered(), 1);
}

QTEST_MAIN(tst_InputDlg)
#include "tst_inputdlg.moc"
