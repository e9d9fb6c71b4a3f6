#pragma once

#include <QEvent>

// A notification for the companion application, posted to an AppBrowserPage: one command
// number right after the standard event header.
class AppBrowserCommandEvent : public QEvent
{
public:
    static constexpr QEvent::Type CommandType = static_cast<QEvent::Type>(QEvent::User + 1);

    explicit AppBrowserCommandEvent(quint32 cmd) : QEvent(CommandType), command(cmd) {}

    quint32 command;
};
