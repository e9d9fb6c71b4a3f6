#include <QProcess>
#include <QUuid>
#include <QtTest>

class tst_QtSingleApplication : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sendWithoutRunningCopyFails();
    void secondCopyDeliversAndIsAcknowledged();
    void copyThatDiedDoesNotBlockTheNext();

private:
    bool startFirst();
    int send(const QString &text);

    QString appId;
    QProcess first;
};

void tst_QtSingleApplication::init()
{
    appId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    first.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
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

int tst_QtSingleApplication::send(const QString &text)
{
    QProcess second;
    second.start(QStringLiteral(SINGLEAPP_PROBE), {QStringLiteral("send"), appId, text});
    if (!second.waitForFinished(10000))
        return -1;
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

QTEST_GUILESS_MAIN(tst_QtSingleApplication)
#include "tst_qtsingleapplication.moc"
