#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

// Answers the modal dialogs that code under test opens with exec(), from a timer that runs in
// the dialog's own event loop. Queue one answer per expected dialog, then call the code:
//
//     DialogAnswerer answerer;
//     answerer.click(QMessageBox::Yes);
//     QCOMPARE(QT_EXT::msgYesNo(QStringLiteral("Go?")), QMessageBox::Yes);
//     QCOMPARE(answerer.seen().first().text, QStringLiteral("Go?"));
//
// What each dialog showed is recorded in seen(). A modal dialog that appears while no answer is
// queued is recorded as unexpected and rejected, so a test fails instead of hanging.
class DialogAnswerer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DialogAnswerer)

public:
    // What a dialog looked like when it was answered.
    struct Seen
    {
        QString className;
        QString title;
        QString text;            // message box text, or the texts of a dialog's labels
        QString informativeText; // message boxes only
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons; // standard buttons of a box or a button box
        QPointer<QWidget> parent;
        bool isWindow = false;
        Qt::WindowModality modality = Qt::NonModal;
        bool unexpected = false; // appeared with no answer queued
        QString problem;         // set when the queued answer could not be given
    };

    using Handler = std::function<void(QWidget *dialog)>;

    explicit DialogAnswerer(QObject *parent = nullptr);
    ~DialogAnswerer() override;

    // Queue answers, one per dialog, used in order.
    void click(QMessageBox::StandardButton button); // also QDialogButtonBox buttons
    void accept();
    void reject();
    void close();                 // as the window's close button does
    void observe();               // records the dialog and leaves it to answer itself
    void handle(Handler handler); // anything else, e.g. fill in a field and accept

    // A handler that selects the row rowText of the list widget listName and clicks the button
    // buttonName; without that row or button it reports the problem and rejects the dialog, so
    // the test fails instead of hanging.
    static Handler chooseRow(const QString &listName, const QString &rowText,
                             const QString &buttonName);
    // For handlers that cannot give their answer: recorded as the dialog's problem, so that
    // answered() does not count it. The handler still ends the dialog itself.
    static void reportProblem(QWidget *dialog, const QString &problem);

    int pending() const { return answers.size(); }
    const QList<Seen> &seen() const { return dialogs; }
    // Seen dialogs whose answer was given as queued (not unexpected, no problem).
    int answered() const;

    // Polling interval of the timer.
    void setInterval(int ms) { timer.setInterval(ms); }

private:
    enum class Action
    {
        Click,
        Accept,
        Reject,
        Close,
        Observe,
        Handle
    };
    struct Answer
    {
        Action action = Action::Reject;
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        Handler handler;
    };

    void poll();
    Seen describe(QWidget *dialog) const;
    void apply(const Answer &answer, QWidget *dialog, Seen &seen);
    void enqueue(Answer answer);

    QTimer timer;
    QList<Answer> answers;
    QList<Seen> dialogs;
    QList<QPointer<QWidget>> handled;
};

// Lets tests put standard buttons in data tables.
Q_DECLARE_METATYPE(QMessageBox::StandardButton)
