#pragma once

#include <QMessageBox>

class QShowEvent;

namespace QT_EXT {

// The message box behind every message function. With announce set, the box repeats its
// message for screen readers one second after it appeared, through its default button's name
// and its window title, because many readers only speak the focused button of a new box.
class MessageBoxEx : public QMessageBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MessageBoxEx)

public:
    explicit MessageBoxEx(QWidget *parent = nullptr, bool announce = false);
    ~MessageBoxEx() override;

    void setAnnounce(bool announce);
    bool isAnnounce() const { return announce; }

protected:
    void showEvent(QShowEvent *event) override;

protected slots:
    void slot_showEvent();

private:
    bool announce = false;
};

} // namespace QT_EXT
