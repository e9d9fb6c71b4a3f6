#include "dialoganswerer.h"
#include "messageboxex.h"
#include "messages.h"

#include <QAbstractButton>

#include <QWidget>
#include <QtTest>

#include <cerrno>
#include <memory>

using namespace QT_EXT;

namespace {

enum class Call
{
    Information,
    Warning,
    Critical,
    Error,
    Question,
    YesNo
};

// Runs one message function and returns its result; functions without a result give NoButton.
QMessageBox::StandardButton run(Call call, const QString &text,
                                const QString *informative = nullptr, QWidget *parent = nullptr)
{
    switch (call) {
    case Call::Information:
        msgInformation(text, informative, parent);
        break;
    case Call::Warning:
        msgWarning(text, informative, parent);
        break;
    case Call::Critical:
        msgCritical(text, informative, parent);
        break;
    case Call::Error:
        msgError(text, informative, parent);
        break;
    case Call::Question:
        return msgQuestion(text, informative, parent);
    case Call::YesNo:
        return msgYesNo(text, informative, parent);
    }
    return QMessageBox::NoButton;
}

} // namespace

Q_DECLARE_METATYPE(Call)

class tst_Messages : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void kinds_data();
    void kinds();
    void closingAQuestion_data();
    void closingAQuestion();
    void informativeText();
    void noParentGivesTopLevelBox();
    void defaultParent();
    void destroyedDefaultParentIsForgotten();
    void messageTitle();
    void criticalWithReason();
    void accessibleBoxesAnnounce();
    void nativeFlagFallsBackToQtBoxes();
    void timedQuestionAnswersItself_data();
    void timedQuestionAnswersItself();
    void timedQuestionAnsweredByUser();
};

void tst_Messages::init()
{
    setMessageTitle(QString());
    setNativeMessageBoxes(false);
    setAccessibleMessageBoxes(false);
}

void tst_Messages::kinds_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QMessageBox::StandardButtons>("buttons");
    QTest::addColumn<QMessageBox::StandardButton>("result");

    const QMessageBox::StandardButtons yesNoCancel =
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    const QMessageBox::StandardButtons yesNo = QMessageBox::Yes | QMessageBox::No;
    const auto none = QMessageBox::NoButton;

    QTest::newRow("information") << Call::Information << QMessageBox::Ok << QMessageBox::Information
                                 << QMessageBox::StandardButtons(QMessageBox::Ok) << none;
    QTest::newRow("warning") << Call::Warning << QMessageBox::Ok << QMessageBox::Warning
                             << QMessageBox::StandardButtons(QMessageBox::Ok) << none;
    QTest::newRow("critical") << Call::Critical << QMessageBox::Ok << QMessageBox::Critical
                              << QMessageBox::StandardButtons(QMessageBox::Ok) << none;
    QTest::newRow("error") << Call::Error << QMessageBox::Ok << QMessageBox::Critical
                           << QMessageBox::StandardButtons(QMessageBox::Ok) << none;
    QTest::newRow("question yes") << Call::Question << QMessageBox::Yes << QMessageBox::Question
                                  << yesNoCancel << QMessageBox::Yes;
    QTest::newRow("question no") << Call::Question << QMessageBox::No << QMessageBox::Question
                                 << yesNoCancel << QMessageBox::No;
    QTest::newRow("question cancel") << Call::Question << QMessageBox::Cancel
                                     << QMessageBox::Question << yesNoCancel << QMessageBox::Cancel;
    QTest::newRow("yes/no yes") << Call::YesNo << QMessageBox::Yes << QMessageBox::Question << yesNo
                                << QMessageBox::Yes;
    QTest::newRow("yes/no no") << Call::YesNo << QMessageBox::No << QMessageBox::Question << yesNo
                               << QMessageBox::No;
}

void tst_Messages::kinds()
{
    QFETCH(Call, call);
    QFETCH(QMessageBox::StandardButton, answer);

    DialogAnswerer answerer;
    answerer.click(answer);
    const QString text = QStringLiteral("Download <b>finished</b>");
    QTEST(run(call, text), "result");

    QCOMPARE(answerer.seen().size(), 1);
    const DialogAnswerer::Seen &seen = answerer.seen().first();
    QVERIFY2(seen.problem.isEmpty(), qPrintable(seen.problem));
    QCOMPARE(seen.className, QStringLiteral("QT_EXT::MessageBoxEx"));
    QCOMPARE(seen.text, text);
    QTEST(seen.icon, "icon");
    QTEST(seen.buttons, "buttons");
    QCOMPARE(seen.modality, Qt::ApplicationModal);
    QVERIFY(seen.informativeText.isEmpty());
    // The box is gone when the function returns.
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_Messages::closingAQuestion_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QMessageBox::StandardButton>("result");

    QTest::newRow("question") << Call::Question << QMessageBox::Cancel;
    QTest::newRow("yes/no") << Call::YesNo << QMessageBox::No;
}

void tst_Messages::closingAQuestion()
{
    QFETCH(Call, call);

    DialogAnswerer answerer;
    answerer.close();
    QTEST(run(call, QStringLiteral("Quit?")), "result");
    QCOMPARE(answerer.answered(), 1);
}

void tst_Messages::informativeText()
{
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Yes);
    const QString details = QStringLiteral("The file exists.");
    QCOMPARE(msgYesNo(QStringLiteral("Overwrite?"), &details), QMessageBox::Yes);
    QCOMPARE(answerer.seen().first().informativeText, details);
}

void tst_Messages::noParentGivesTopLevelBox()
{
    // Runs before any default parent is set in this process.
    QVERIFY(!defaultMessageParent());
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    msgWarning(QStringLiteral("Early"));
    QCOMPARE(answerer.answered(), 1);
    QVERIFY(!answerer.seen().first().parent);
    QVERIFY(answerer.seen().first().isWindow);
}

void tst_Messages::defaultParent()
{
    QWidget mainWindow;
    QWidget other;
    setDefaultMessageParent(&mainWindow);
    QCOMPARE(defaultMessageParent(), &mainWindow);
    // A null widget keeps the stored one.
    setDefaultMessageParent(nullptr);
    QCOMPARE(defaultMessageParent(), &mainWindow);

    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    answerer.click(QMessageBox::Ok);
    msgInformation(QStringLiteral("Default parent"));
    msgInformation(QStringLiteral("Own parent"), nullptr, &other);
    QCOMPARE(answerer.answered(), 2);
    QCOMPARE(answerer.seen().at(0).parent.data(), &mainWindow);
    QCOMPARE(answerer.seen().at(1).parent.data(), &other);
}

void tst_Messages::destroyedDefaultParentIsForgotten()
{
    auto window = std::make_unique<QWidget>();
    setDefaultMessageParent(window.get());
    window.reset();
    QVERIFY(!defaultMessageParent());

    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    msgCritical(QStringLiteral("Still shown"));
    QCOMPARE(answerer.answered(), 1);
    QVERIFY(!answerer.seen().first().parent);
}

void tst_Messages::messageTitle()
{
    QCOMPARE(QT_EXT::messageTitle(), QString());
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    answerer.click(QMessageBox::Ok);

    setMessageTitle(QStringLiteral("MiniVideoPlayerSV"));
    QCOMPARE(QT_EXT::messageTitle(), QStringLiteral("MiniVideoPlayerSV"));
    msgInformation(QStringLiteral("Titled"));
    setMessageTitle(QString());
    msgInformation(QStringLiteral("Untitled"));

    QCOMPARE(answerer.answered(), 2);
    QCOMPARE(answerer.seen().at(0).title, QStringLiteral("MiniVideoPlayerSV"));
    QVERIFY(answerer.seen().at(1).title != QStringLiteral("MiniVideoPlayerSV"));
}

void tst_Messages::criticalWithReason()
{
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    errno = ENOENT;
    msgCriticalWithReason(QStringLiteral("Cannot open the file"));
    QCOMPARE(answerer.answered(), 1);
    const DialogAnswerer::Seen &seen = answerer.seen().first();
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.text,
             QStringLiteral("Cannot open the file\n\nReason: ") + qt_error_string(ENOENT));
    QVERIFY(!qt_error_string(ENOENT).isEmpty());
}

void tst_Messages::accessibleBoxesAnnounce()
{
    DialogAnswerer answerer;
    bool announce = false;
    answerer.handle([&announce](QWidget *dialog) {
        auto *box = qobject_cast<MessageBoxEx *>(dialog);
        announce = box && box->isAnnounce();
        dialog->close();
    });
    answerer.handle([&announce](QWidget *dialog) {
        auto *box = qobject_cast<MessageBoxEx *>(dialog);
        announce = !box || box->isAnnounce();
        dialog->close();
    });

    setAccessibleMessageBoxes(true);
    QVERIFY(accessibleMessageBoxes());
    msgWarning(QStringLiteral("Spoken"));
    QVERIFY(announce);

    setAccessibleMessageBoxes(false);
    msgWarning(QStringLiteral("Silent"));
    QVERIFY(!announce);
    QCOMPARE(answerer.answered(), 2);
}

void tst_Messages::nativeFlagFallsBackToQtBoxes()
{
#ifdef Q_OS_WIN
    QSKIP("Native boxes are real Windows boxes there");
#else
    setNativeMessageBoxes(true);
    QVERIFY(nativeMessageBoxes());
    DialogAnswerer answerer;
    answerer.click(QMessageBox::No);
    QCOMPARE(msgQuestion(QStringLiteral("Native?")), QMessageBox::No);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().className, QStringLiteral("QT_EXT::MessageBoxEx"));
#endif
}

void tst_Messages::timedQuestionAnswersItself_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
    QTest::addColumn<bool>("withCancel");
    QTest::addColumn<QMessageBox::StandardButtons>("buttons");
    QTest::addColumn<QMessageBox::StandardButton>("result");

    const QMessageBox::StandardButtons yesNo = QMessageBox::Yes | QMessageBox::No;
    QTest::newRow("yes") << QMessageBox::Yes << false << yesNo << QMessageBox::Yes;
    QTest::newRow("no") << QMessageBox::No << false << yesNo << QMessageBox::No;
    QTest::newRow("cancel") << QMessageBox::Cancel << true << (yesNo | QMessageBox::Cancel)
                            << QMessageBox::Cancel;
    QTest::newRow("cancel not shown") << QMessageBox::Cancel << false << yesNo << QMessageBox::No;
}

void tst_Messages::timedQuestionAnswersItself()
{
    QFETCH(QMessageBox::StandardButton, defaultButton);
    QFETCH(bool, withCancel);

    DialogAnswerer answerer;
    answerer.observe();
    QTEST(msgTimedQuestion(QStringLiteral("Play the next video?"), defaultButton, 300, withCancel),
          "result");
    QCOMPARE(answerer.seen().size(), 1);
    const DialogAnswerer::Seen &seen = answerer.seen().first();
    QCOMPARE(seen.text, QStringLiteral("Play the next video?"));
    QCOMPARE(seen.icon, QMessageBox::Question);
    QTEST(seen.buttons, "buttons");
    QCOMPARE(seen.modality, Qt::ApplicationModal);
}

void tst_Messages::timedQuestionAnsweredByUser()
{
    DialogAnswerer answerer;
    bool announce = false;
    answerer.handle([&announce](QWidget *dialog) {
        auto *box = qobject_cast<MessageBoxEx *>(dialog);
        announce = box && box->isAnnounce();
        box->button(QMessageBox::No)->click();
    });
    // The user answers long before the time-out; the answer stands.
    QCOMPARE(msgTimedQuestion(QStringLiteral("Play?"), QMessageBox::Yes, 60000), QMessageBox::No);
    QVERIFY(announce);
    QCOMPARE(answerer.answered(), 1);
}

QTEST_MAIN(tst_Messages)
#include "tst_messages.moc"
