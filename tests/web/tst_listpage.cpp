#include "hostedpage.h"
#include "json.h"
#include "siteserverprocess.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

// Stands in for the program's list browser: supplies a list and records clicks.
class ListEvents : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString json MEMBER json NOTIFY jsonChanged)

public:
    QString json;
    QStringList clicked;

signals:
    void jsonChanged();

public slots:
    void slot_videoClicked(const QString &videoId) { clicked.append(videoId); }
};

class tst_ListPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void topLists_data();
    void topLists();
    void clickReportsId();
    void related();
    void searchResults_data();
    void searchResults();
    void suppliedList_data();
    void suppliedList();
    void failedRequest();

private:
    QVariant run(const QString &script);
    QStringList shownIds();
    QString status()
    {
        return run(QStringLiteral("document.getElementById('status').textContent")).toString();
    }
    QString heading()
    {
        return run(QStringLiteral("document.getElementById('heading').textContent")).toString();
    }

    SiteServerProcess m_server;
    std::unique_ptr<HostedPage> m_page;
    ListEvents m_events;
};

void tst_ListPage::initTestCase()
{
    QString error;
    QVERIFY2(m_server.start({}, error), qPrintable(error));
    m_page = std::make_unique<HostedPage>(&m_events, QSize(586, 414));
    QVERIFY2(m_page->load(m_server.makerUrl(QStringLiteral("/sonvara/yt_videos.html")), error),
             qPrintable(error));
}

void tst_ListPage::cleanupTestCase()
{
    m_page.reset();
    QString error;
    QVERIFY2(m_server.stop(error), qPrintable(error));
}

void tst_ListPage::init()
{
    m_events.clicked.clear();
    run(QStringLiteral("clearList(); setStatus(''); setHeading('');"));
}

QVariant tst_ListPage::run(const QString &script)
{
    return m_page->run(script);
}

QStringList tst_ListPage::shownIds()
{
    return run(QStringLiteral("Array.prototype.map.call(document.querySelectorAll('.item'), "
                              "function (e) { return e.getAttribute('data-id'); })"))
        .toStringList();
}

void tst_ListPage::topLists_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("firstId");
    QTest::newRow("most popular") << "mostPopularVideos()"
                                  << "Most Popular"
                                  << "hLx7Qm2Ta9c";
    QTest::newRow("most viewed") << "mostViewedVideos()"
                                 << "Most Viewed"
                                 << "hLx7Qm2Ta9c";
    QTest::newRow("most recent") << "mostRecentVideos()"
                                 << "Most Recent"
                                 << "Ko6Nh3Bs8Uf";
    QTest::newRow("top rated") << "topRatedVideos()"
                               << "Top Rated"
                               << "mS5oLb0Gx4E";
    QTest::newRow("top favorites") << "topFavVideos()"
                                   << "Top Favorites"
                                   << "mS5oLb0Gx4E";
}

void tst_ListPage::topLists()
{
    QFETCH(QString, call);
    QFETCH(QString, heading);
    QFETCH(QString, firstId);
    run(call);
    QTRY_COMPARE(shownIds().size(), 8);
    QCOMPARE(shownIds().first(), firstId);
    QCOMPARE(this->heading(), heading);
    QCOMPARE(status(), QString());
    // Each row shows the title and the duration as m:ss.
    QVERIFY(!run(QStringLiteral("document.querySelector('.item .title').textContent"))
                 .toString()
                 .isEmpty());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+:\\d\\d$"))
                .match(run(QStringLiteral("document.querySelector('.item .duration').textContent"))
                           .toString())
                .hasMatch());
}

void tst_ListPage::clickReportsId()
{
    run(QStringLiteral("mostViewedVideos()"));
    QTRY_COMPARE(shownIds().size(), 8);
    const QString second = shownIds().at(1);
    run(QStringLiteral("document.querySelectorAll('.item')[1].click()"));
    QCOMPARE(m_events.clicked, QStringList{second});
}

void tst_ListPage::related()
{
    run(QStringLiteral("relatedVideos('hLx7Qm2Ta9c')"));
    QTRY_COMPARE(shownIds(), (QStringList{"Vq3Rt8Kp1Ws", "Tc9_Zu6Yn2D", "Ge2Xy5Ci7Lo"}));
    QCOMPARE(heading(), QStringLiteral("Related videos"));
}

void tst_ListPage::searchResults_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QString>("message");
    QTest::newRow("found") << "mira" << QStringList{"mS5oLb0Gx4E", "Ge2Xy5Ci7Lo"} << QString();
    QTest::newRow("nothing found")
        << "zzz" << QStringList{} << QString::fromUtf8("No videos were found for “zzz”.");
    QTest::newRow("markup stays text")
        << "<b>x</b>" << QStringList{} << QString::fromUtf8("No videos were found for “<b>x</b>”.");
}

void tst_ListPage::searchResults()
{
    QFETCH(QString, text);
    QFETCH(QStringList, ids);
    QFETCH(QString, message);
    run(QStringLiteral("searchVideos('%1')").arg(text));
    QTRY_VERIFY(status() != QStringLiteral("Loading\u2026"));
    QCOMPARE(shownIds(), ids);
    QCOMPARE(status(), message);
    QCOMPARE(heading(), QStringLiteral("Search: ") + text);
    QCOMPARE(
        run(QStringLiteral("document.querySelectorAll('#heading *, #status *').length")).toInt(),
        0);
}

void tst_ListPage::suppliedList_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QString>("message");
    QTest::newRow("two records")
        << R"({"entry":[{"duration":"125","id":"Ge2Xy5Ci7Lo","thumbnail":null,"title":"B - b","url":null},)"
           R"({"duration":null,"id":"hLx7Qm2Ta9c","thumbnail":"","title":"A - a","url":""}]})"
        << QStringList{"Ge2Xy5Ci7Lo", "hLx7Qm2Ta9c"} << QString();
    QTest::newRow("empty list") << "{}" << QStringList{} << "There are no videos in this list.";
    QTest::newRow("unreadable") << "{entry" << QStringList{} << "The list could not be read.";
}

void tst_ListPage::suppliedList()
{
    QFETCH(QString, json);
    QFETCH(QStringList, ids);
    QFETCH(QString, message);
    // As the program supplies a list: the text goes into the page's copy of the object too, in
    // line with the call that reads it.
    m_events.json = json;
    emit m_events.jsonChanged();
    run(QStringLiteral("AppBrowserEvents.json = %1;").arg(QT_EXT::toJson(json)));
    run(QStringLiteral("loadVideos()"));
    QCOMPARE(shownIds(), ids);
    QCOMPARE(status(), message);
    if (!ids.isEmpty()) {
        QCOMPARE(
            run(QStringLiteral("document.querySelector('.item .duration').textContent")).toString(),
            QStringLiteral("2:05"));
    }
}

void tst_ListPage::failedRequest()
{
    run(QStringLiteral("relatedVideos('AAAAAAAAAAA')"));
    QTRY_COMPARE(status(), QStringLiteral("The list could not be loaded (HTTP 404)."));
    QVERIFY(shownIds().isEmpty());
}

QTEST_MAIN(tst_ListPage)
#include "tst_listpage.moc"
