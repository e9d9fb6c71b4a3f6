#pragma once

#include <QObject>
#include <QTextStream>

namespace QT_EXT {
class IPCSocket;
}

// Listens where the radio application listens and prints every notification of the player as
// one line: number, name, payload.
class NotificationPrinter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationPrinter)

public:
    // maxCount 0 listens without end.
    explicit NotificationPrinter(int maxCount, QObject *parent = nullptr);

    bool isListening() const;

signals:
    void finished();

private:
    void print(uint cmd, const QString &payload);

    QT_EXT::IPCSocket *endpoint = nullptr;
    QTextStream out;
    int maxCount = 0;
    int received = 0;
};

// Builds the command text of a convenience sub-command; false with an error text when the
// arguments do not fit.
struct CompanionCommandText
{
    uint number = 0;
    QString payload;
};
bool commandForSubcommand(const QString &name, const QStringList &args, CompanionCommandText *cmd,
                          QString *error);
