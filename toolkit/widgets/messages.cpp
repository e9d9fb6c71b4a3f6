#include "messages.h"

#include "desktop.h"
#include "messageboxex.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#ifdef Q_OS_WIN
#include "windowsdesktop.h"
#endif

namespace QT_EXT {

namespace {

QPointer<QWidget> &storedParent()
{
    static QPointer<QWidget> parent;
    return parent;
}

QString &storedTitle()
{
    static QString title;
    return title;
}

bool nativeBoxes = false;
bool accessibleBoxes = false;

struct MessageKind
{
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    unsigned nativeStyle; // MessageBoxW style flags
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

const MessageKind informationKind{QMessageBox::Information, QMessageBox::NoButton, 0x00};
const MessageKind warningKind{QMessageBox::Warning, QMessageBox::Ok, 0x30};
const MessageKind criticalKind{QMessageBox::Critical, QMessageBox::Ok, 0x10};
const MessageKind questionKind{QMessageBox::Question,
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, 0x23};
const MessageKind yesNoKind{QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, 0x24};
// MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2
const MessageKind warningYesNoKind{QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No, 0x134,
                                   QMessageBox::No};

#ifdef Q_OS_WIN
int showNativeMessage(const MessageKind &kind, const QString &text, const QString *informativeText,
                      const QString &title, QWidget *parent)
{
    QString plain = text;
    if (informativeText && !informativeText->isEmpty())
        plain += QStringLiteral("\n\n") + *informativeText;
    stripTags(plain);
    static_assert(nativeAnswerYes == QMessageBox::Yes && nativeAnswerNo == QMessageBox::No &&
                  nativeAnswerCancel == QMessageBox::Cancel);
    HWND owner = parent ? reinterpret_cast<HWND>(parent->window()->winId()) : nullptr;
    return nativeMessageBox(owner, reinterpret_cast<const wchar_t *>(plain.utf16()),
                            title.isEmpty() ? nullptr
                                            : reinterpret_cast<const wchar_t *>(title.utf16()),
                            kind.nativeStyle);
}
#endif

MessageBoxEx *createBox(const MessageKind &kind, const QString &text,
                        const QString *informativeText, const QString &title, QWidget *parent,
                        bool announce)
{
    auto *box = new MessageBoxEx(parent, announce);
    box->setWindowModality(Qt::ApplicationModal);
    // An information box sets no buttons and so gets Qt's default Ok.
    if (kind.buttons != QMessageBox::NoButton)
        box->setStandardButtons(kind.buttons);
    if (kind.defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(kind.defaultButton);
    box->setIcon(kind.icon);
    box->setText(text);
    if (!title.isEmpty())
        box->setWindowTitle(title);
    if (informativeText)
        box->setInformativeText(*informativeText);
    return box;
}

int runBox(MessageBoxEx *box)
{
    // The box may die with its parent while its event loop runs.
    QPointer<MessageBoxEx> guard(box);
    const int result = box->exec();
    delete guard.data();
    return result;
}

int showMessage(const MessageKind &kind, const QString &text, const QString *informativeText,
                QWidget *parent)
{
    const QString title = messageTitle();
    if (!parent)
        parent = defaultMessageParent();
#ifdef Q_OS_WIN
    if (nativeBoxes)
        return showNativeMessage(kind, text, informativeText, title, parent);
#endif
    return runBox(createBox(kind, text, informativeText, title, parent, accessibleBoxes));
}

} // namespace

void msgInformation(const QString &text, const QString *informativeText, QWidget *parent)
{
    showMessage(informationKind, text, informativeText, parent);
}

void msgWarning(const QString &text, const QString *informativeText, QWidget *parent)
{
    showMessage(warningKind, text, informativeText, parent);
}

void msgCritical(const QString &text, const QString *informativeText, QWidget *parent)
{
    showMessage(criticalKind, text, informativeText, parent);
}

void msgError(const QString &text, const QString *informativeText, QWidget *parent)
{
    msgCritical(text, informativeText, parent);
}

void msgCriticalWithReason(const QString &text, const QString *informativeText, QWidget *parent)
{
    // Read the error first: anything done before could overwrite it.
    const QString reason = qt_error_string();
    msgCritical(text + QStringLiteral("\n\n") + QCoreApplication::translate("QT_EXT", "Reason") +
                    QStringLiteral(": ") + reason,
                informativeText, parent);
}

QMessageBox::StandardButton msgQuestion(const QString &text, const QString *informativeText,
                                        QWidget *parent)
{
    return static_cast<QMessageBox::StandardButton>(
        showMessage(questionKind, text, informativeText, parent));
}

QMessageBox::StandardButton msgYesNo(const QString &text, const QString *informativeText,
                                     QWidget *parent)
{
    return static_cast<QMessageBox::StandardButton>(
        showMessage(yesNoKind, text, informativeText, parent));
}

QMessageBox::StandardButton msgWarningYesNo(const QString &text, const QString *informativeText,
                                            QWidget *parent)
{
    return static_cast<QMessageBox::StandardButton>(
        showMessage(warningYesNoKind, text, informativeText, parent));
}

QMessageBox::StandardButton msgTimedQuestion(const QString &text,
                                             QMessageBox::StandardButton defaultButton,
                                             int timeoutMs, bool withCancel, QWidget *parent)
{
    if (!parent)
        parent = defaultMessageParent();
    MessageKind kind = yesNoKind;
    if (withCancel)
        kind.buttons |= QMessageBox::Cancel;
    MessageBoxEx *box = createBox(kind, text, nullptr, messageTitle(), parent, true);

    QAbstractButton *answer = box->button(defaultButton);
    if (!answer)
        answer = box->button(QMessageBox::No);
    box->setDefaultButton(qobject_cast<QPushButton *>(answer));

    QTimer timer;
    timer.setSingleShot(true);
    timer.setInterval(timeoutMs);
    QObject::connect(&timer, &QTimer::timeout, answer, &QAbstractButton::click);
    timer.start();
    const int result = runBox(box);
    timer.stop();
    return static_cast<QMessageBox::StandardButton>(result);
}

void setDefaultMessageParent(QWidget *parent)
{
    if (parent)
        storedParent() = parent;
}

QWidget *defaultMessageParent()
{
    return storedParent().data();
}

void setMessageTitle(const QString &title)
{
    storedTitle() = title;
}

QString messageTitle()
{
    return storedTitle();
}

void setNativeMessageBoxes(bool native)
{
    nativeBoxes = native;
}

bool nativeMessageBoxes()
{
    return nativeBoxes;
}

void setAccessibleMessageBoxes(bool accessible)
{
    accessibleBoxes = accessible;
}

bool accessibleMessageBoxes()
{
    return accessibleBoxes;
}

} // namespace QT_EXT
