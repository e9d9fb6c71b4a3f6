#pragma once

#include <QApplication>
#include <QPointer>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QWidget;

namespace QT_EXT {

// A QApplication that knows whether another copy of the same program runs for the same user,
// can hand that copy a text message and, in the running copy, receives such messages.
//
// The copy that first takes the lock file serves a local server; later copies deliver their
// message there and wait for its acknowledgement. The running copy reads a message without
// blocking (a peer that sends nothing is dropped after 5 s and holds nothing up), and both ends
// talk only to a process of the same user (see peerIsSameUser in localserverguard.h).
class QtSingleApplication : public QApplication
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtSingleApplication)

public:
    // The identity is made of the program file and the user; appId replaces the program file,
    // for tests that need two identities in one program.
    QtSingleApplication(int &argc, char **argv, const QString &appId = QString());
    ~QtSingleApplication() override;

    // True when another copy holds the identity.
    bool isRunning() const;
    QString id() const;

    // Delivers message to the running copy; true only once that copy acknowledged it within
    // timeout ms. False at once when no other copy runs.
    bool sendMessage(const QString &message, int timeout = 5000);

    // With activateOnMessage set, every message received brings window out of the minimized
    // state, raises and activates it before messageReceived is emitted.
    void setActivationWindow(QWidget *window, bool activateOnMessage = true);
    QWidget *activationWindow() const;

public slots:
    void activateWindow();

signals:
    void messageReceived(const QString &message);

private:
    void startServing();
    void readMessage(QLocalSocket *connection);

    QString appId;
    QString serverName;
    std::unique_ptr<QLockFile> lockFile;
    bool primary = false;
    QLocalServer *server = nullptr;
    QPointer<QWidget> actWin;
};

} // namespace QT_EXT
