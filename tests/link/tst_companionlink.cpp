#include "companionlink.h"
#include "ipcsocket.h"
#include "otheruser.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

using QT_EXT::IPCSocket;

class tst_CompanionLink : public QObject
{
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void linkSafeJson_data();
    void linkSafeJson();
    void jsonPayloadWithBarReachesCompanion();
    void noNotificationToACompanionOfAnotherUser();
    void cleanupTestCase();

private:
    OtherUser otherUser;
};

void tst_CompanionLink::names_data()
{
    QTest::addColumn<bool>("command");
    QTest::addColumn<uint>("number");
    QTest::addColumn<QString>("name");

    QTest::newRow("Quit") << true << 2u << "Quit";
    QTest::newRow("JsonCommand") << true << 20u << "JsonCommand";
    QTest::newRow("unknown command") << true << 4u << "";
    QTest::newRow("VideoChanged") << false << 14u << "VideoChanged";
    QTest::newRow("NextTrack") << false << 24u << "NextTrack";
    // The page's private codes are no notifications.
    QTest::newRow("video ended") << false << uint(PageNotice::VideoEnded) << "";
    QTest::newRow("page loaded") << false << uint(PageNotice::PageLoaded) << "";
}

void tst_CompanionLink::names()
{
    QFETCH(bool, command);
    QFETCH(uint, number);
    QFETCH(QString, name);
    QCOMPARE(command ? companionCommandName(number) : playerNotificationName(number), name);
}

void tst_CompanionLink::linkSafeJson_data()
{
    QTest::addColumn<QString>("json");

    QTest::newRow("no bar") << R"({"id":"a","title":"Song"})";
    QTest::newRow("bar in title") << R"({"id":"a","title":"Song | Live"})";
    QTest::newRow("bars everywhere") << R"({"id":"|","title":"||","url":"a|b|c"})";
    QTest::newRow("escaped quote beside bar") << R"({"title":"say \"|\""})";
}

void tst_CompanionLink::linkSafeJson()
{
    QFETCH(QString, json);
    const QString safe = ::linkSafeJson(json);
    QVERIFY(!safe.contains(QLatin1Char('|')));
    // A JSON reader reads the same value from both.
    QJsonParseError error;
    const QJsonDocument read = QJsonDocument::fromJson(safe.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(read, QJsonDocument::fromJson(json.toUtf8()));
}

void tst_CompanionLink::jsonPayloadWithBarReachesCompanion()
{
    IPCSocket companion(nullptr, companionServerName);
    QVERIFY(companion.isListening());
    QSignalSpy heard(&companion, &IPCSocket::signal_commandReceived);
    IPCSocket player(nullptr, QString());
    setCompanionSocket(&player);

    const QString record = QStringLiteral(R"({"id":"a","title":"Song | Live"})");
    notifyServerJson(PlayerNotification::VideoChanged, record);
    QVERIFY(heard.wait());
    QCOMPARE(heard.at(0).at(0).toUInt(), uint(PlayerNotification::VideoChanged));
    const QJsonObject read =
        QJsonDocument::fromJson(heard.at(0).at(1).toString().toUtf8()).object();
    QCOMPARE(read.value(QStringLiteral("title")).toString(), QStringLiteral("Song | Live"));
    setCompanionSocket(nullptr);
}

void tst_CompanionLink::noNotificationToACompanionOfAnotherUser()
{
    const QString unavailable = OtherUser::unavailable();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    QString error;
    QVERIFY2(otherUser.setUp(&error), qPrintable(error));

    // Another user plants a socket that anyone may connect to under the companion's name, in
    // the temporary folder where the player looks for the companion.
    PlantedSocket planted(otherUser, QDir::temp().filePath(companionServerName));
    QVERIFY2(planted.waitListening(&error), qPrintable(error));

    IPCSocket player(nullptr, QString());
    setCompanionSocket(&player);
    const auto unset = qScopeGuard([] { setCompanionSocket(nullptr); });
    const CategoryLog log("mvp.link");
    notifyServerJson(PlayerNotification::VideoChanged,
                     QStringLiteral(R"({"id":"a","title":"Private title",)"
                                    R"("url":"https://video.invalid/watch?v=a"})"));

    // The player reached the planted socket, saw whose it is and sent nothing: no title, no
    // address.
    QVERIFY2(log.contains(QStringLiteral("user id %1").arg(otherUser.uid())),
             qPrintable(log.lines().join(QLatin1Char('\n'))));
    QVERIFY(log.contains(companionServerName));
    QVERIFY2(planted.reachedButHeardNothing(&error), qPrintable(error));
}

void tst_CompanionLink::cleanupTestCase()
{
    otherUser.tearDown();
}

QTEST_GUILESS_MAIN(tst_CompanionLink)
#include "tst_companionlink.moc"
