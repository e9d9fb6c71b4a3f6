#include "otheruser.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QUuid>
#include <QtTest>

#include <unistd.h>

namespace {

// Where the copies of an identity meet: the single-instance channel's rule, restated here so
// that the test can reach its socket and lock file as another program would. A name that
// differed would show: the silent peer could not connect, and no refusal would be logged.
QString serverNameOf(const QString &appId)
{
    const QByteArray hash =
        QCryptographicHash::hash((appId + QLatin1Char('|') + QString::number(::getuid())).toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QStringLiteral("qtsingleapp-") + QString::fromLatin1(hash);
}

// The frame of one message: a 32-bit big-endian length and the UTF-8 text.
QByteArray frame(const QString &message)
{
    const QByteArray text = message.toUtf8();
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint32(text.size());
    return bytes + text;
}

// The program's log lines with their category, as "mvp.link: ...".
QProcessEnvironment environmentWithCategories()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_MESSAGE_PATTERN"),
                       QStringLiteral("%{category}: %{message}"));
    return environment;
}

} // namespace

class tst_QtSingleApplication : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sendWithoutRunningCopyFails();
    void secondCopyDeliversAndIsAcknowledged();
    void copyThatDiedDoesNotBlockTheNext();
    void silentPeerFreezesNothing();
    void peerOfAnotherUserIsRefused();
    void planOfAnotherUserDoesNotSendTheCopyAway();
    void cleanupTestCase();

private:
    bool startFirst();
    int send(const QString &text, QString *log = nullptr);

    QString appId;
    QProcess first;
    OtherUser otherUser;
};

void tst_QtSingleApplication::init()
{
    appId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    first.setProcessEnvironment(environmentWithCategories());
}

void tst_QtSingleApplication::cleanup()
{
    if (first.state() != QProcess::NotRunning) {
        first.kill();
        first.waitForFinished();
    }
}

bool tst_QtSingleApplication::startFirst()
{
    first.start(QStringLiteral(SINGLEAPP_PROBE), {QStringLiteral("serve"), appId});
    if (!first.waitForStarted())
        return false;
    while (!first.canReadLine()) {
        if (!first.waitForReadyRead(5000))
            return false;
    }
    return first.readLine().trimmed() == "serving";
}

int tst_QtSingleApplication::send(const QString &text, QString *log)
{
    QProcess second;
    second.setProcessEnvironment(environmentWithCategories());
    second.start(QStringLiteral(SINGLEAPP_PROBE), {QStringLiteral("send"), appId, text});
    if (!second.waitForFinished(10000))
        return -1;
    if (log)
        *log = QString::fromLocal8Bit(second.readAllStandardError());
    return second.exitCode();
}

void tst_QtSingleApplication::sendWithoutRunningCopyFails()
{
    QCOMPARE(send(QStringLiteral("Wake up!")), 1);
}

void tst_QtSingleApplication::secondCopyDeliversAndIsAcknowledged()
{
    QVERIFY(startFirst());
    QCOMPARE(send(QStringLiteral("Wake up!")), 0);
    QTRY_VERIFY(first.canReadLine());
    QCOMPARE(first.readLine().trimmed(), QByteArray("received: Wake up!"));

    QCOMPARE(send(QStringLiteral("quit")), 0);
    QVERIFY(first.waitForFinished(5000));
    QCOMPARE(first.exitCode(), 0);
}

void tst_QtSingleApplication::copyThatDiedDoesNotBlockTheNext()
{
    QVERIFY(startFirst());
    first.kill();
    QVERIFY(first.waitForFinished());

    // The killed copy left its lock and socket behind; a new copy takes over both.
    QVERIFY(startFirst());
    QCOMPARE(send(QStringLiteral("Wake up!")), 0);
    QTRY_VERIFY(first.canReadLine());
    QCOMPARE(first.readLine().trimmed(), QByteArray("received: Wake up!"));
}

void tst_QtSingleApplication::silentPeerFreezesNothing()
{
    QVERIFY(startFirst());

    // A peer connects to the running copy and sends nothing...
    QLocalSocket silent;
    silent.connectToServer(serverNameOf(appId));
    QVERIFY(silent.waitForConnected(2000));
    QSignalSpy closed(&silent, &QLocalSocket::disconnected);
    QTest::qWait(200);

    // ...while a second copy wakes the first: delivered and acknowledged at once, not after
    // the silent peer's bound (5 s), which a window that waited on it would make it sit out.
    QElapsedTimer sending;
    sending.start();
    QCOMPARE(send(QStringLiteral("Wake up!")), 0);
    QVERIFY2(sending.elapsed() < 2000, qPrintable(QString::number(sending.elapsed())));
    QTRY_VERIFY(first.canReadLine());
    QCOMPARE(first.readLine().trimmed(), QByteArray("received: Wake up!"));

    // The silent connection is closed by the running copy at its bound, with nothing received.
    QVERIFY(closed.wait(8000));
    QCOMPARE(first.canReadLine(), false);
    QCOMPARE(send(QStringLiteral("quit")), 0);
    QVERIFY(first.waitForFinished(5000));
    QCOMPARE(first.exitCode(), 0);
}

void tst_QtSingleApplication::peerOfAnotherUserIsRefused()
{
    const QString unavailable = OtherUser::unavailable();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    QString error;
    QVERIFY2(otherUser.setUp(&error), qPrintable(error));
    QVERIFY(startFirst());

    // A process of another user reaches the running copy's socket and sends a whole frame.
    QProcess peer;
    otherUser.start(peer, {QStringLiteral("send"), QDir::temp().filePath(serverNameOf(appId)),
                           QString::fromLatin1(frame(QStringLiteral("Wake up!")).toHex())});
    QVERIFY(peer.waitForFinished(10000));
    const QByteArray said = peer.readAllStandardOutput();
    QVERIFY2(said.startsWith("connected\n"), said.constData());
    // Refused unanswered: no acknowledgement came back.
    QVERIFY2(said.contains("reply: \n"), said.constData());

    // Nothing received; the refusal is in the link's category with the peer's user id.
    const QByteArray refusal =
        QStringLiteral("mvp.link: connection to %1 - refused: the peer runs as user id %2")
            .arg(serverNameOf(appId))
            .arg(otherUser.uid())
            .toUtf8();
    QByteArray firstLog;
    QTRY_VERIFY2((firstLog += first.readAllStandardError()).contains(refusal),
                 firstLog.constData());
    QCOMPARE(send(QStringLiteral("quit")), 0);
    QVERIFY(first.waitForFinished(5000));
    QCOMPARE(first.readAllStandardOutput(), QByteArray("received: quit\n"));
}

void tst_QtSingleApplication::planOfAnotherUserDoesNotSendTheCopyAway()
{
    const QString unavailable = OtherUser::unavailable();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    QString error;
    QVERIFY2(otherUser.setUp(&error), qPrintable(error));

    // Another user holds the lock file and plants a socket under the name where this user's
    // copies meet, answering every message with the acknowledgement.
    const QString path = QDir::temp().filePath(serverNameOf(appId));
    PlantedSocket planted(otherUser, path, path + QStringLiteral(".lock"));
    QVERIFY2(planted.waitListening(&error), qPrintable(error));

    // A copy that starts takes it for a running copy of its own, but does not hand it its
    // message nor take its acknowledgement: it is not sent away.
    QString log;
    QCOMPARE(send(QStringLiteral("Wake up!"), &log), 1);
    QVERIFY2(log.contains(QStringLiteral("mvp.link: not waking %1 - refused: the peer runs as "
                                         "user id %2")
                              .arg(serverNameOf(appId))
                              .arg(otherUser.uid())),
             qPrintable(log));
    QVERIFY2(planted.reachedButHeardNothing(&error), qPrintable(error));
}

void tst_QtSingleApplication::cleanupTestCase()
{
    otherUser.tearDown();
}

QTEST_GUILESS_MAIN(tst_QtSingleApplication)
#include "tst_qtsingleapplication.moc"
