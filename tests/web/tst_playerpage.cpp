#include "hostedpage.h"
#include "siteserverprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// Stands in for the program's player browser: records every call the page makes.
class PlayerEvents : public QObject
{
    Q_OBJECT

public:
    QStringList log; // "state 1", "error 100", "url ...", "video {...}", "volume 30"

    QList<int> states() const { return numbers(QStringLiteral("state ")); }
    QList<int> errors() const { return numbers(QStringLiteral("error ")); }
    QList<int> volumes() const { return numbers(QStringLiteral("volume ")); }
    QStringList texts(const QString &kind) const
    {
        QStringList result;
        for (const QString &entry : log) {
            if (entry.startsWith(kind)) {
                result.append(entry.mid(kind.size()));
            }
        }
        return result;
    }
    int indexOf(const QString &prefix) const
    {
        for (int i = 0; i < log.size(); ++i) {
            if (log.at(i).startsWith(prefix)) {
                return i;
            }
        }
        return -1;
    }

public slots:
    void slot_PlayerVolumeChanged(int value) { log.append(QStringLiteral("volume %1").arg(value)); }
    void slot_PlayerStateChange(int state) { log.append(QStringLiteral("state %1").arg(state)); }
    void slot_PlayerError(int error) { log.append(QStringLiteral("error %1").arg(error)); }
    void slot_PlayerUrlChanged(const QString &url) { log.append(QStringLiteral("url ") + url); }
    void slot_PlayerVideoChanged(const QString &videoJson)
    {
        log.append(QStringLiteral("video ") + videoJson);
    }

private:
    QList<int> numbers(const QString &kind) const
    {
        QList<int> result;
        const QStringList values = texts(kind);
        for (const QString &value : values) {
            result.append(value.toInt());
        }
        return result;
    }
};

class tst_PlayerPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void playsToTheEnd();
    void loadErrors_data();
    void loadErrors();
    void pauseResumeStop();
    void volumeAndMute();
    void volumeSetBeforePlayingStays();
    void videoTitle();
    void resize();

private:
    QVariant run(const QString &script);
    void waitForState(int state, int timeout = 30000);

    SiteServerProcess m_server;
    std::unique_ptr<HostedPage> m_page;
    PlayerEvents m_events;
};

void tst_PlayerPage::initTestCase()
{
    QString error;
    QVERIFY2(m_server.start({}, error), qPrintable(error));

    m_page = std::make_unique<HostedPage>(&m_events, QSize(640, 360));
    QVERIFY2(
        m_page->load(m_server.makerUrl(QStringLiteral("/sonvara/ytplayer_simple.html")), error),
        qPrintable(error));
    // The player API script comes from the video site; the page makes its player from it.
    QTRY_VERIFY_WITH_TIMEOUT(run(QStringLiteral("player !== null")).toBool(), 10000);
}

void tst_PlayerPage::cleanupTestCase()
{
    m_page.reset();
    QString error;
    QVERIFY2(m_server.stop(error), qPrintable(error));
}

void tst_PlayerPage::init()
{
    run(QStringLiteral("clearPlayer()"));
    QTRY_COMPARE(run(QStringLiteral("player.getPlayerState()")).toInt(), -1);
    m_events.log.clear();
}

QVariant tst_PlayerPage::run(const QString &script)
{
    return m_page->run(script);
}

void tst_PlayerPage::waitForState(int state, int timeout)
{
    QTRY_VERIFY2_WITH_TIMEOUT(m_events.states().contains(state),
                              qPrintable(m_events.log.join(QStringLiteral(" | "))), timeout);
}

void tst_PlayerPage::playsToTheEnd()
{
    run(QStringLiteral("loadPlayer('hLx7Qm2Ta9c')"));
    waitForState(0);
    const QString log = m_events.log.join(QStringLiteral(" | "));

    // Buffering or playing first, playing before the end, the end last; no errors.
    const QList<int> states = m_events.states();
    QVERIFY2(states.first() == 3 || states.first() == 1, qPrintable(log));
    QVERIFY2(states.contains(1), qPrintable(log));
    QVERIFY2(states.indexOf(1) < states.indexOf(0), qPrintable(log));
    QCOMPARE(states.last(), 0);
    QVERIFY2(m_events.errors().isEmpty(), qPrintable(log));

    // The watch address, then the record, then the states.
    QCOMPARE(m_events.texts(QStringLiteral("url ")),
             QStringList{QStringLiteral("http://%1/watch?v=hLx7Qm2Ta9c&feature=player_embedded")
                             .arg(m_server.videoAddress())});
    QVERIFY(m_events.indexOf(QStringLiteral("url ")) < m_events.indexOf(QStringLiteral("video ")));
    QVERIFY(m_events.indexOf(QStringLiteral("video ")) <
            m_events.indexOf(QStringLiteral("state ")));

    const QStringList records = m_events.texts(QStringLiteral("video "));
    QCOMPARE(records.size(), 1);
    const QJsonObject record = QJsonDocument::fromJson(records.first().toUtf8()).object();
    QCOMPARE(record.keys(), (QStringList{"duration", "id", "thumbnail", "title", "url"}));
    for (const QString &key : record.keys()) {
        QVERIFY2(record.value(key).isString(), qPrintable(key));
    }
    QCOMPARE(record.value(QStringLiteral("id")).toString(), QStringLiteral("hLx7Qm2Ta9c"));
    QCOMPARE(record.value(QStringLiteral("title")).toString(),
             QStringLiteral("Nordlicht Radio - Harbour Lights"));
    QCOMPARE(record.value(QStringLiteral("duration")).toString(), QStringLiteral("6"));
    QCOMPARE(record.value(QStringLiteral("url")).toString(),
             QStringLiteral("http://%1/watch?v=hLx7Qm2Ta9c").arg(m_server.videoAddress()));
    QCOMPARE(record.value(QStringLiteral("thumbnail")).toString(),
             QStringLiteral("http://%1/vi/hLx7Qm2Ta9c/default.jpg").arg(m_server.videoAddress()));

    // It really played: the clock reached the end of the clip.
    QVERIFY(run(QStringLiteral("player.getCurrentTime()")).toDouble() > 5.5);
}

void tst_PlayerPage::loadErrors_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("error");
    QTest::newRow("unknown id") << "AAAAAAAAAAA" << 100;
    QTest::newRow("not embeddable") << "bW1-Fe7Hr3K" << 101;
    QTest::newRow("malformed id") << "no such id" << 2;
    QTest::newRow("empty id") << "" << 2;
}

void tst_PlayerPage::loadErrors()
{
    QFETCH(QString, id);
    QFETCH(int, error);
    run(QStringLiteral("loadPlayer('%1')").arg(id));
    QTRY_COMPARE_WITH_TIMEOUT(m_events.errors(), QList<int>{error}, 10000);
    // Nothing else went out: no address, no record, no playing. The title asked for afterwards
    // comes on the same way as the failed video's record would have, and after it.
    const QString later = QStringLiteral("Ko6Nh3Bs8Uf");
    run(QStringLiteral("getVideoTitle('%1')").arg(later));
    const QString laterRecord = QStringLiteral("\"id\":\"%1\"").arg(later);
    QTRY_VERIFY_WITH_TIMEOUT(m_events.log.join(QLatin1Char('\n')).contains(laterRecord), 10000);
    QVERIFY2(m_events.log.size() == 2, qPrintable(m_events.log.join(QStringLiteral(" | "))));
    QCOMPARE(m_events.log.first(), QStringLiteral("error %1").arg(error));
    QVERIFY(
        run(QStringLiteral("document.getElementById('message').textContent")).toString().size() >
        0);
}

void tst_PlayerPage::pauseResumeStop()
{
    run(QStringLiteral("loadPlayer('Pn4Jv8Ad0Qm')"));
    waitForState(1);
    run(QStringLiteral("pausePlayer()"));
    waitForState(2);
    const double pausedAt = run(QStringLiteral("player.getCurrentTime()")).toDouble();
    QTest::qWait(500);
    QCOMPARE(run(QStringLiteral("player.getCurrentTime()")).toDouble(), pausedAt);

    m_events.log.clear();
    run(QStringLiteral("startPlayer()"));
    waitForState(1);
    QTRY_VERIFY(run(QStringLiteral("player.getCurrentTime()")).toDouble() > pausedAt);

    run(QStringLiteral("stopPlayer()"));
    waitForState(5);
    QCOMPARE(run(QStringLiteral("player.getCurrentTime()")).toDouble(), 0.0);
    QVERIFY(!m_events.states().contains(0));
}

void tst_PlayerPage::volumeAndMute()
{
    run(QStringLiteral("loadPlayer('Ge2Xy5Ci7Lo')"));
    waitForState(1);
    run(QStringLiteral("setVideoVolume(30)"));
    QTRY_VERIFY2(m_events.volumes().contains(30), qPrintable(m_events.log.join(QLatin1Char('|'))));
    QCOMPARE(run(QStringLiteral("player.getVolume()")).toInt(), 30);

    QCOMPARE(run(QStringLiteral("player.isMuted()")).toBool(), false);
    run(QStringLiteral("toggleMuteVideo()"));
    QCOMPARE(run(QStringLiteral("player.isMuted()")).toBool(), true);
    run(QStringLiteral("toggleMuteVideo()"));
    QCOMPARE(run(QStringLiteral("player.isMuted()")).toBool(), false);
}

void tst_PlayerPage::volumeSetBeforePlayingStays()
{
    // The window sets the stored volume as soon as the page is there, before any video: the
    // page must not report back another number, or the stored volume creeps up at every start.
    run(QStringLiteral("setVideoVolume(40)"));
    run(QStringLiteral("loadPlayer('Ge2Xy5Ci7Lo')"));
    waitForState(1);
    // The echo comes as the stream starts; the end of the clip, reported on the same way as
    // the volume, comes after the whole stream.
    waitForState(0);
    QCOMPARE(run(QStringLiteral("player.getVolume()")).toInt(), 40);
    for (int volume : m_events.volumes())
        QCOMPARE(volume, 40);
}

void tst_PlayerPage::videoTitle()
{
    run(QStringLiteral("getVideoTitle('Ko6Nh3Bs8Uf')"));
    QTRY_COMPARE(m_events.texts(QStringLiteral("video ")).size(), 1);
    const QJsonObject record =
        QJsonDocument::fromJson(m_events.texts(QStringLiteral("video ")).first().toUtf8()).object();
    QCOMPARE(record.value(QStringLiteral("title")).toString(),
             QString::fromUtf8("Ærø Brass Band - Morning Tide"));
    QCOMPARE(record.value(QStringLiteral("id")).toString(), QStringLiteral("Ko6Nh3Bs8Uf"));
    // Asking for a title plays nothing.
    QVERIFY(m_events.states().isEmpty());
}

void tst_PlayerPage::resize()
{
    run(QStringLiteral("resizePlayer(320,180)"));
    QCOMPARE(run(QStringLiteral("document.getElementById('player').offsetWidth")).toInt(), 320);
    QCOMPARE(run(QStringLiteral("document.getElementById('player').offsetHeight")).toInt(), 180);
    run(QStringLiteral("resizePlayer(640,360)"));
    QCOMPARE(run(QStringLiteral("document.getElementById('player').offsetWidth")).toInt(), 640);
}

QTEST_MAIN(tst_PlayerPage)
#include "tst_playerpage.moc"
