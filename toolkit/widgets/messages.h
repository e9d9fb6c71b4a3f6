#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace QT_EXT {

// Modal message boxes. Each takes the message, an optional informative text (null for none) and
// an optional parent (null for the default parent), and returns when the box is closed. Boxes
// are application-modal and run a nested event loop.
void msgInformation(const QString &text, const QString *informativeText = nullptr,
                    QWidget *parent = nullptr);
void msgWarning(const QString &text, const QString *informativeText = nullptr,
                QWidget *parent = nullptr);
void msgCritical(const QString &text, const QString *informativeText = nullptr,
                 QWidget *parent = nullptr);
// Same as msgCritical.
void msgError(const QString &text, const QString *informativeText = nullptr,
              QWidget *parent = nullptr);
// msgCritical with "Reason: " and the text of the last operating-system error appended.
void msgCriticalWithReason(const QString &text, const QString *informativeText = nullptr,
                           QWidget *parent = nullptr);
// Yes, No and Cancel; closing the box counts as Cancel.
QMessageBox::StandardButton msgQuestion(const QString &text,
                                        const QString *informativeText = nullptr,
                                        QWidget *parent = nullptr);
// Yes and No; closing the box counts as No.
QMessageBox::StandardButton msgYesNo(const QString &text, const QString *informativeText = nullptr,
                                     QWidget *parent = nullptr);
// A warning with Yes and No for a step that carries a risk: No is the default, and closing the
// box counts as No.
QMessageBox::StandardButton msgWarningYesNo(const QString &text,
                                            const QString *informativeText = nullptr,
                                            QWidget *parent = nullptr);
// Yes and No (and Cancel with withCancel); a box left unanswered for timeoutMs answers itself with
// defaultButton. A default button that the box does not show falls back to No.
QMessageBox::StandardButton msgTimedQuestion(const QString &text,
                                             QMessageBox::StandardButton defaultButton,
                                             int timeoutMs, bool withCancel = false,
                                             QWidget *parent = nullptr);

// Process-wide defaults of the message boxes.
// A null widget leaves the stored parent unchanged; a parent that is destroyed is forgotten.
void setDefaultMessageParent(QWidget *parent);
QWidget *defaultMessageParent();
// Window title of every box; Qt's own title while empty.
void setMessageTitle(const QString &title);
QString messageTitle();
// Windows message boxes instead of Qt's; other platforms always show Qt boxes.
void setNativeMessageBoxes(bool native);
bool nativeMessageBoxes();
// Boxes that re-announce their message for screen readers.
void setAccessibleMessageBoxes(bool accessible);
bool accessibleMessageBoxes();

} // namespace QT_EXT
