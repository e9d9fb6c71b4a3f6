#include "messageboxex.h"

#include "desktop.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace QT_EXT {

MessageBoxEx::MessageBoxEx(QWidget *parent, bool announce) : QMessageBox(parent), announce(announce)
{
}

MessageBoxEx::~MessageBoxEx() = default;

void MessageBoxEx::setAnnounce(bool value)
{
    announce = value;
}

void MessageBoxEx::showEvent(QShowEvent *event)
{
    if (isVisible() && announce)
        QTimer::singleShot(1000, this, &MessageBoxEx::slot_showEvent);
    QMessageBox::showEvent(event);
}

void MessageBoxEx::slot_showEvent()
{
    QAbstractButton *speaker = defaultButton();
    if (!speaker)
        speaker = button(QMessageBox::Ok);
    if (!speaker)
        speaker = button(QMessageBox::Yes);
    if (!speaker)
        return;

    QString plain = text();
    stripTags(plain);
    speaker->setToolTip(plain);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") +
                   QString(plain).replace(QLatin1Char('\n'), QLatin1Char(' ')));

    QAccessibleEvent nameChanged(speaker, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    // Qt carries value changes only in their own event class.
    QAccessibleValueChangeEvent valueChanged(speaker, plain);
    QAccessible::updateAccessibility(&valueChanged);
}

} // namespace QT_EXT
