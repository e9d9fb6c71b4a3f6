#include "dialoganswerer.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// A small form dialog: a label, a line edit and an Ok/Cancel button box.
class FormDialog : public QDialog
{
public:
    explicit FormDialog(QWidget *parent = nullptr) : QDialog(parent)
    {
        setWindowTitle(QStringLiteral("Track information"));
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Artist:"), this));
        edit = new QLineEdit(this);
        layout->addWidget(edit);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
    }
    QLineEdit *edit = nullptr;
};

// A dialog that offers rows to choose from, as the format dialog does.
class ListDialog : public QDialog
{
public:
    ListDialog()
    {
        auto *layout = new QVBoxLayout(this);
        rows = new QListWidget(this);
        rows->setObjectName(QStringLiteral("lwFormats"));
        rows->addItems({QStringLiteral("MP3"), QStringLiteral("MP4 360")});
        layout->addWidget(rows);
        auto *choose = new QPushButton(QStringLiteral("Download"), this);
        choose->setObjectName(QStringLiteral("btDownload"));
        connect(choose, &QPushButton::clicked, this, [this] {
            chosen = rows->currentItem()->text();
            accept();
        });
        layout->addWidget(choose);
    }
    QListWidget *rows = nullptr;
    QString chosen;
};

} // namespace

class tst_DialogAnswerer : public QObject
{
    Q_OBJECT

private slots:
    void buttonBoxClick_data();
    void buttonBoxClick();
    void acceptAndReject();
    void handlerFillsInAForm();
    void answersInOrderAndNested();
    void unexpectedDialogIsRejected();
    void missingButtonIsReported();
    void refusedCloseIsReported();
    void chooseRow_data();
    void chooseRow();
};

void tst_DialogAnswerer::buttonBoxClick_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("button");
    QTest::addColumn<int>("result");

    QTest::newRow("ok") << QMessageBox::Ok << int(QDialog::Accepted);
    QTest::newRow("cancel") << QMessageBox::Cancel << int(QDialog::Rejected);
}

void tst_DialogAnswerer::buttonBoxClick()
{
    QFETCH(QMessageBox::StandardButton, button);

    DialogAnswerer answerer;
    answerer.click(button);
    QWidget parent;
    FormDialog dialog(&parent);
    QTEST(dialog.exec(), "result");

    QCOMPARE(answerer.answered(), 1);
    const DialogAnswerer::Seen &seen = answerer.seen().first();
    QCOMPARE(seen.title, QStringLiteral("Track information"));
    QCOMPARE(seen.text, QStringLiteral("Artist:"));
    QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(seen.parent.data(), &parent);
    QCOMPARE(seen.className, QStringLiteral("QDialog"));
}

void tst_DialogAnswerer::acceptAndReject()
{
    DialogAnswerer answerer;
    answerer.accept();
    answerer.reject();
    FormDialog first;
    QCOMPARE(first.exec(), int(QDialog::Accepted));
    FormDialog second;
    QCOMPARE(second.exec(), int(QDialog::Rejected));
    QCOMPARE(answerer.answered(), 2);
    QCOMPARE(answerer.pending(), 0);
}

void tst_DialogAnswerer::handlerFillsInAForm()
{
    DialogAnswerer answerer;
    answerer.handle([](QWidget *dialog) {
        dialog->findChild<QLineEdit *>()->setText(QStringLiteral("Nina Simone"));
        qobject_cast<QDialog *>(dialog)->accept();
    });
    FormDialog dialog;
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.edit->text(), QStringLiteral("Nina Simone"));
}

void tst_DialogAnswerer::answersInOrderAndNested()
{
    // The first dialog opens a message box from inside; the second answer goes to that box.
    DialogAnswerer answerer;
    QMessageBox::StandardButton inner = QMessageBox::NoButton;
    answerer.handle([&inner](QWidget *dialog) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), QStringLiteral("Really?"),
                        QMessageBox::Yes | QMessageBox::No, dialog);
        inner = static_cast<QMessageBox::StandardButton>(box.exec());
        qobject_cast<QDialog *>(dialog)->accept();
    });
    answerer.click(QMessageBox::No);
    FormDialog dialog;
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(inner, QMessageBox::No);
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen().at(1).text, QStringLiteral("Really?"));
    QCOMPARE(answerer.seen().at(1).icon, QMessageBox::Question);
    QCOMPARE(answerer.answered(), 2);
}

void tst_DialogAnswerer::unexpectedDialogIsRejected()
{
    DialogAnswerer answerer;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unexpected QDialog")));
    FormDialog dialog;
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(answerer.seen().first().unexpected);
    QCOMPARE(answerer.answered(), 0);
}

void tst_DialogAnswerer::missingButtonIsReported()
{
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Retry);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no button")));
    FormDialog dialog;
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(!answerer.seen().first().problem.isEmpty());
    QCOMPARE(answerer.answered(), 0);
}

void tst_DialogAnswerer::refusedCloseIsReported()
{
    // A box without an escape button ignores the window's close button.
    DialogAnswerer answerer;
    answerer.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("close was refused")));
    QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("Pick one"),
                    QMessageBox::Save | QMessageBox::Discard);
    box.exec();
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().problem, QStringLiteral("close was refused"));
}

void tst_DialogAnswerer::chooseRow_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("problem"); // empty: the row was chosen

    QTest::newRow("row and button") << "MP4 360"
                                    << "btDownload" << QString();
    QTest::newRow("no such row") << "WebM 720"
                                 << "btDownload"
                                 << "no row WebM 720 in lwFormats";
    QTest::newRow("no such button") << "MP3"
                                    << "btSave"
                                    << "no button btSave";
}

void tst_DialogAnswerer::chooseRow()
{
    QFETCH(QString, row);
    QFETCH(QString, button);
    QFETCH(QString, problem);

    DialogAnswerer answerer;
    answerer.handle(DialogAnswerer::chooseRow(QStringLiteral("lwFormats"), row, button));
    if (!problem.isEmpty())
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("DialogAnswerer::chooseRow: ") + problem));
    ListDialog dialog;
    const int result = dialog.exec();

    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().problem, problem);
    if (problem.isEmpty()) {
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(dialog.chosen, row);
        QCOMPARE(answerer.answered(), 1);
    } else {
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(answerer.answered(), 0);
    }
}

QTEST_MAIN(tst_DialogAnswerer)
#include "tst_dialoganswerer.moc"
