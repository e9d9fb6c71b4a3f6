// The companion tool's listen mode, as a person runs it: the real binary, its output read.

#include "companionlink.h"
#include "ipcsocket.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

class tst_CompanionListen : public QObject
{
    Q_OBJECT

private slots:
    void socketRemovedIsSaidAndListenedAgain();
};

void tst_CompanionListen::socketRemovedIsSaidAndListenedAgain()
{
    // Where a local server of this name lives on Unix: the temporary folder.
    const QString socketFile = QDir(QDir::tempPath()).filePath(companionServerName);
    // A listener killed by an earlier run leaves its file behind; this run's must be the one
    // that is watched and removed.
    QFile::remove(socketFile);
    QProcess listener;
    listener.start(QStringLiteral(COMPANION_BINARY), {QStringLiteral("listen")});
    QVERIFY(listener.waitForStarted());
    QTRY_VERIFY(QFileInfo::exists(socketFile));
    const auto stop = qScopeGuard([&listener, socketFile] {
        listener.kill();
        listener.waitForFinished();
        QFile::remove(socketFile);
    });

    QVERIFY(QFile::remove(socketFile));
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += listener.readAllStandardError()).contains("removed"), 5000);
    QVERIFY2(said.contains(socketFile.toUtf8()), said.constData());
    QTRY_VERIFY(QFileInfo::exists(socketFile));

    // It hears the player again.
    QT_EXT::IPCSocket player(nullptr, QString());
    QVERIFY(
        player.sendCommand(uint(PlayerNotification::PlayerReady), QString(), companionServerName));
    QByteArray printed;
    QTRY_VERIFY_WITH_TIMEOUT(
        (printed += listener.readAllStandardOutput()).contains("23 PlayerReady"), 5000);
    QVERIFY(listener.state() == QProcess::Running);
}

QTEST_GUILESS_MAIN(tst_CompanionListen)
#include "tst_companionlisten.moc"
