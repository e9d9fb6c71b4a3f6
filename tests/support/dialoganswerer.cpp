#include "dialoganswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

namespace {

// Where a handler leaves the problem it reports, on the dialog itself.
const char *const problemProperty = "DialogAnswerer.problem";

} // namespace

DialogAnswerer::DialogAnswerer(QObject *parent) : QObject(parent)
{
    timer.setInterval(20);
    connect(&timer, &QTimer::timeout, this, &DialogAnswerer::poll);
    timer.start();
}

DialogAnswerer::~DialogAnswerer() = default;

void DialogAnswerer::click(QMessageBox::StandardButton button)
{
    Answer answer;
    answer.action = Action::Click;
    answer.button = button;
    enqueue(answer);
}

void DialogAnswerer::accept()
{
    Answer answer;
    answer.action = Action::Accept;
    enqueue(answer);
}

void DialogAnswerer::reject()
{
    Answer answer;
    answer.action = Action::Reject;
    enqueue(answer);
}

void DialogAnswerer::close()
{
    Answer answer;
    answer.action = Action::Close;
    enqueue(answer);
}

void DialogAnswerer::observe()
{
    Answer answer;
    answer.action = Action::Observe;
    enqueue(answer);
}

DialogAnswerer::Handler DialogAnswerer::chooseRow(const QString &listName, const QString &rowText,
                                                  const QString &buttonName)
{
    return [=](QWidget *dialog) {
        auto *rows = dialog->findChild<QListWidget *>(listName);
        const QList<QListWidgetItem *> found =
            rows ? rows->findItems(rowText, Qt::MatchExactly) : QList<QListWidgetItem *>();
        auto *button = dialog->findChild<QAbstractButton *>(buttonName);
        if (found.isEmpty() || !button) {
            const QString problem = found.isEmpty()
                                        ? QStringLiteral("no row %1 in %2").arg(rowText, listName)
                                        : QStringLiteral("no button %1").arg(buttonName);
            qWarning("DialogAnswerer::chooseRow: %s", qPrintable(problem));
            reportProblem(dialog, problem);
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            return;
        }
        rows->setCurrentItem(found.first());
        button->click();
    };
}

void DialogAnswerer::reportProblem(QWidget *dialog, const QString &problem)
{
    dialog->setProperty(problemProperty, problem);
}

void DialogAnswerer::handle(Handler handler)
{
    Answer answer;
    answer.action = Action::Handle;
    answer.handler = std::move(handler);
    enqueue(answer);
}

int DialogAnswerer::answered() const
{
    int count = 0;
    for (const Seen &seen : dialogs) {
        if (!seen.unexpected && seen.problem.isEmpty())
            ++count;
    }
    return count;
}

void DialogAnswerer::enqueue(Answer answer)
{
    answers.append(std::move(answer));
}

void DialogAnswerer::poll()
{
    QWidget *dialog = QApplication::activeModalWidget();
    if (!dialog || !dialog->isVisible())
        return;
    handled.removeAll(QPointer<QWidget>());
    for (const QPointer<QWidget> &done : qAsConst(handled)) {
        if (done == dialog)
            return;
    }
    handled.append(dialog);

    const int index = dialogs.size();
    dialogs.append(describe(dialog));
    if (answers.isEmpty()) {
        dialogs[index].unexpected = true;
        qWarning("DialogAnswerer::poll unexpected %s \"%s\", rejecting it",
                 dialog->metaObject()->className(), qPrintable(dialogs[index].text));
        if (auto *plain = qobject_cast<QDialog *>(dialog))
            plain->reject();
        else
            dialog->close();
        return;
    }
    // Answer from a queued call rather than from this timer slot: a timer does not fire again
    // while its slot runs, so a dialog that a handler opens would otherwise never be answered.
    const Answer answer = answers.takeFirst();
    QPointer<QWidget> target(dialog);
    QMetaObject::invokeMethod(
        this,
        [this, answer, target, index] {
            if (!target)
                return;
            Seen result = dialogs[index];
            apply(answer, target, result);
            dialogs[index].problem = result.problem;
        },
        Qt::QueuedConnection);
}

DialogAnswerer::Seen DialogAnswerer::describe(QWidget *dialog) const
{
    Seen seen;
    seen.className = QString::fromLatin1(dialog->metaObject()->className());
    seen.title = dialog->windowTitle();
    seen.parent = dialog->parentWidget();
    seen.isWindow = dialog->isWindow();
    seen.modality = dialog->windowModality();
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        seen.text = box->text();
        seen.informativeText = box->informativeText();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        return seen;
    }
    QStringList texts;
    const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (!label->text().isEmpty())
            texts.append(label->text());
    }
    seen.text = texts.join(QLatin1Char('\n'));
    const QList<QDialogButtonBox *> boxes = dialog->findChildren<QDialogButtonBox *>();
    for (const QDialogButtonBox *buttonBox : boxes)
        seen.buttons |= QMessageBox::StandardButtons(int(buttonBox->standardButtons()));
    return seen;
}

void DialogAnswerer::apply(const Answer &answer, QWidget *dialog, Seen &seen)
{
    auto *plain = qobject_cast<QDialog *>(dialog);
    switch (answer.action) {
    case Action::Click: {
        QAbstractButton *button = nullptr;
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            button = box->button(answer.button);
        } else {
            const QList<QDialogButtonBox *> boxes = dialog->findChildren<QDialogButtonBox *>();
            for (QDialogButtonBox *buttonBox : boxes) {
                button = buttonBox->button(QDialogButtonBox::StandardButton(int(answer.button)));
                if (button)
                    break;
            }
        }
        if (!button) {
            seen.problem = QStringLiteral("no button %1").arg(int(answer.button));
            break;
        }
        button->click();
        return;
    }
    case Action::Accept:
        if (!plain) {
            seen.problem = QStringLiteral("not a QDialog");
            break;
        }
        plain->accept();
        return;
    case Action::Reject:
        if (!plain) {
            seen.problem = QStringLiteral("not a QDialog");
            break;
        }
        plain->reject();
        return;
    case Action::Close: {
        QPointer<QWidget> guard(dialog);
        dialog->close();
        if (guard && guard->isVisible()) {
            seen.problem = QStringLiteral("close was refused");
            break;
        }
        return;
    }
    case Action::Observe:
        return;
    case Action::Handle: {
        QPointer<QWidget> guard(dialog);
        answer.handler(dialog);
        if (guard)
            seen.problem = guard->property(problemProperty).toString();
        return;
    }
    }
    // The queued answer could not be given: reject the dialog so that the test goes on and can
    // report the problem.
    qWarning("DialogAnswerer::apply %s: %s", dialog->metaObject()->className(),
             qPrintable(seen.problem));
    if (plain)
        plain->reject();
    else
        dialog->close();
}
