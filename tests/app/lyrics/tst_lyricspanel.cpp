#include "appsettings.h"
#include "dialoganswerer.h"
#include "fakehttpserver.h"
#include "lyrics/lyricspanel.h"
#include "pagescript.h"
#include "qhttpext.h"
#include "siteserverprocess.h"

#include <httplib.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineSettings>
#include <QtTest>

#include <future>
#include <memory>

// Opens the panel's protected parts to the test.
class Panel : public LyricsPanel
{
public:
    using LyricsPanel::http;
    using LyricsPanel::requests;
    using LyricsPanel::slot_textLyricsLinkClicked;
    using LyricsPanel::trackInfo;
};

// Holds an answer of the fake service back until the test lets it go. Lets it go at the latest
// when destroyed, so the server's thread can end.
class Gate
{
public:
    Gate() : opened(promise.get_future().share()) {}
    ~Gate() { open(); }
    void open()
    {
        if (!isOpen) {
            isOpen = true;
            promise.set_value();
        }
    }
    std::shared_future<void> future() const { return opened; }

private:
    std::promise<void> promise;
    std::shared_future<void> opened;
    bool isOpen = false;
};

class tst_LyricsPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void checkNumber_data();
    void checkNumber();
    void firstShowLoadsWikiHome();
    void searchLinkStartsSearch();
    void linkContract_data();
    void linkContract();
    void requestAddress_data();
    void requestAddress();
    void answers_data();
    void answers();
    void requestCannotStart();
    void markupShownAsText_data();
    void markupShownAsText();
    void onlyLatestSearchShown_data();
    void onlyLatestSearchShown();
    void dialogLoop_data();
    void dialogLoop();

private:
    static QString settingsFolder();
    static void setHost(const QString &key, const QString &value);
    static QString wikiUrl();
    static QString searchAnchorSelector();
    // The text of the search link; a null text when the page has none.
    static QString searchAnchor(LyricsPanel &panel);
    static QString shownText(LyricsPanel &panel);
    // Every request target the site-server logged so far, followed by a blank and the status.
    QStringList served();
    // Shows the panel the first time, as the main window does, and waits for the wiki's home.
    void openPanel(Panel &panel);
    // The main window's answer to signal_needTrackInfo.
    // Returns how often the panel asked.
    std::shared_ptr<int> answerTrack(Panel &panel, const QString &track);
    void writeCatalog();

    AppSettings settings;
    QTemporaryDir data;
    SiteServerProcess server;
    QStringList log;
};

namespace {

const QString harbourLyrics =
    QStringLiteral("The ferry hums a tune I know\nThe harbour lights are burning low\n"
                   "I count the lamps along the quay\nAnd every one is calling me\n\n"
                   "So leave the door unlocked tonight\nI'm following the harbour light");
const QString markup = QStringLiteral("<script>document.title='owned'</script>\n"
                                      "<a href=\"http://evil.invalid/\">click</a> & more");

} // namespace

QString tst_LyricsPanel::settingsFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
}

void tst_LyricsPanel::setHost(const QString &key, const QString &value)
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("hosts"));
    settings.setValue(key, value);
}

QString tst_LyricsPanel::wikiUrl()
{
    return AppSettings::lyricsWikiUrl();
}

QString tst_LyricsPanel::searchAnchorSelector()
{
    return QStringLiteral("a[href=\"%1\"]").arg(LyricsPanel::searchLink().toString());
}

QString tst_LyricsPanel::searchAnchor(LyricsPanel &panel)
{
    const QVariant text = evaluateInPage(
        panel.page(), QStringLiteral("(function () { var a = document.querySelector('%1');"
                                     " return a ? a.textContent : null; })()")
                          .arg(searchAnchorSelector()));
    if (text.isNull())
        return QString();
    const QString shown = text.toString();
    return shown.isNull() ? QStringLiteral("") : shown;
}

QString tst_LyricsPanel::shownText(LyricsPanel &panel)
{
    // One script, so that the text and the link come from the same document.
    const QVariantList shown =
        evaluateInPage(panel.page(),
                       QStringLiteral("(function () { var a = document.querySelector('%1');"
                                      " return [document.body ? document.body.innerText : '',"
                                      " a ? a.textContent : null]; })()")
                           .arg(searchAnchorSelector()))
            .toList();
    QString text = shown.value(0).toString();
    if (shown.size() < 2 || shown.at(1).isNull())
        return QStringLiteral("(no search link) ") + text;
    const QString link = shown.at(1).toString();
    if (!text.startsWith(link))
        return QStringLiteral("(search link not on top) ") + text;
    text.remove(0, link.size());
    if (text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    return text;
}

QStringList tst_LyricsPanel::served()
{
    const QStringList lines =
        QString::fromUtf8(server.process().readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        // "maker <address> <method> <target> <status>"
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() == 5 && fields.at(0) == QLatin1String("maker"))
            log.append(fields.at(3) + QLatin1Char(' ') + fields.at(4));
    }
    return log;
}

void tst_LyricsPanel::openPanel(Panel &panel)
{
    QSignalSpy loaded(&panel, &QWebEngineView::loadFinished);
    panel.showLyrics(QString());
    QVERIFY(loaded.wait());
    QTRY_VERIFY(!searchAnchor(panel).isNull());
}

std::shared_ptr<int> tst_LyricsPanel::answerTrack(Panel &panel, const QString &track)
{
    auto asked = std::make_shared<int>(0);
    connect(&panel, &LyricsPanel::signal_needTrackInfo, &panel, [track, asked](QString &text) {
        QVERIFY(text.isEmpty());
        text = track;
        ++*asked;
    });
    return asked;
}

void tst_LyricsPanel::writeCatalog()
{
    QFile original(SiteServerProcess::dataDir() + QStringLiteral("/catalog.json"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QJsonObject catalog = QJsonDocument::fromJson(original.readAll()).object();
    QJsonArray videos = catalog.value(QStringLiteral("videos")).toArray();
    const auto add = [&videos](const char *id, const char *artist, const char *song,
                               const char *form, const QString &text) {
        videos.append(QJsonObject{
            {QStringLiteral("id"), QLatin1String(id)},
            {QStringLiteral("title"),
             QLatin1String(artist) + QStringLiteral(" - ") + QLatin1String(song)},
            {QStringLiteral("artist"), QLatin1String(artist)},
            {QStringLiteral("song"), QLatin1String(song)},
            {QStringLiteral("duration"), 3},
            {QStringLiteral("lyrics"), QJsonObject{{QStringLiteral("form"), QLatin1String(form)},
                                                   {QStringLiteral("text"), text}}},
        });
    };
    add("EmptyVerse1", "Empty Verse", "Silence", "results", QString());
    add("EmptyBody01", "Empty Body", "Hush", "lyrics_body", QString());
    add("MalloryScr1", "Mallory", "Script", "results", markup);
    catalog.insert(QStringLiteral("videos"), videos);
    QFile copy(data.filePath(QStringLiteral("catalog.json")));
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.write(QJsonDocument(catalog).toJson());
}

void tst_LyricsPanel::initTestCase()
{
    qRegisterMetaType<const QT_EXT::QHttpExt::httpInfo *>();
    QDir(settingsFolder()).removeRecursively();
    QVERIFY(data.isValid());
    writeCatalog();
    QString error;
    QVERIFY2(server.start({QStringLiteral("--data"), data.path(), QStringLiteral("--log")}, error),
             qPrintable(error));
    setHost(QStringLiteral("lyrics_wiki"),
            QStringLiteral("http://%1/lyricswiki/").arg(server.makerAddress()));
}

void tst_LyricsPanel::init()
{
    setHost(QStringLiteral("lyrics_service"),
            QStringLiteral("http://%1/lyrics/").arg(server.makerAddress()));
}

void tst_LyricsPanel::cleanupTestCase()
{
    QDir(settingsFolder()).removeRecursively();
    QString error;
    QVERIFY2(server.stop(error), qPrintable(error));
}

void tst_LyricsPanel::checkNumber_data()
{
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::addColumn<quint32>("number");

    QTest::newRow("empty") << ""
                           << "" << quint32(0);
    QTest::newRow("one character") << "a"
                                   << "" << quint32(97);
    QTest::newRow("ab: 98, then 98 * 33 + 97") << "ab"
                                               << "" << quint32(3331);
    QTest::newRow("over artist followed by title") << "a"
                                                   << "b" << quint32(3331);
    QTest::newRow("wraps around") << "velvet orchard"
                                  << "slow tide" << quint32(1219703876);
    QTest::newRow("UTF-16 codes") << QStringLiteral("ærø brass band") << "morning tide"
                                  << quint32(731208544);
    QTest::newRow("surrogate pair")
        << QString::fromUtf8("\xF0\x9D\x84\x9E") << "" << quint32(1923346);
}

void tst_LyricsPanel::checkNumber()
{
    QFETCH(QString, artist);
    QFETCH(QString, title);
    QFETCH(quint32, number);

    QCOMPARE(LyricsPanel::checkNumber(artist, title), number);
}

void tst_LyricsPanel::firstShowLoadsWikiHome()
{
    Panel panel;
    QCOMPARE(panel.objectName(), QStringLiteral("textLyrics"));
    QCOMPARE(QString::fromLatin1(panel.metaObject()->className()), QStringLiteral("LyricsPanel"));

    QSignalSpy started(&panel, &QWebEngineView::loadStarted);
    QSignalSpy loaded(&panel, &QWebEngineView::loadFinished);
    panel.showLyrics(QString());
    QVERIFY(loaded.wait());
    QCOMPARE(panel.url(), QUrl(wikiUrl()));
    QCOMPARE(panel.urlText(), wikiUrl());
    QVERIFY(evaluateInPage(panel.page(), QStringLiteral("document.body.innerText"))
                .toString()
                .contains(QLatin1String("Lyrics Wiki")));
    QTRY_COMPARE(searchAnchor(panel), QStringLiteral("Find lyrics"));
    QVERIFY(shownText(panel).startsWith(QLatin1String("Lyrics Wiki")));

    // Later calls only rename the link.
    panel.showLyrics(QStringLiteral("Velvet Orchard - Slow Tide"));
    QCOMPARE(searchAnchor(panel), QStringLiteral("Find lyrics for Velvet Orchard - Slow Tide"));
    panel.showLyrics(QStringLiteral("<b>Bold</b> & Co - Song"));
    QCOMPARE(searchAnchor(panel), QStringLiteral("Find lyrics for <b>Bold</b> & Co - Song"));
    QVERIFY(!panel.isLoading());
    QCOMPARE(started.count(), 1);
    QVERIFY(!panel.page()->settings()->testAttribute(QWebEngineSettings::PluginsEnabled));
    QVERIFY(!panel.page()->settings()->testAttribute(QWebEngineSettings::JavascriptCanOpenWindows));
}

void tst_LyricsPanel::searchLinkStartsSearch()
{
    Panel panel;
    panel.resize(640, 480);
    openPanel(panel);
    panel.showLyrics(QStringLiteral("Nordlicht Radio - Harbour Lights"));
    const auto asked = answerTrack(panel, QStringLiteral("Nordlicht Radio - Harbour Lights"));
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    QSignalSpy linkClicked(&panel, &QT_EXT::WebBrowser::signal_linkClicked);
    DialogAnswerer answerer;
    answerer.accept();
    QCOMPARE(searchAnchor(panel),
             QStringLiteral("Find lyrics for Nordlicht Radio - Harbour Lights"));
    QVERIFY(clickElement(&panel, searchAnchorSelector()));

    QTRY_COMPARE(*asked, 1);
    QTRY_COMPARE(shownText(panel), harbourLyrics);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().className, QStringLiteral("TrackInfoDlg"));
    QCOMPARE(answerer.seen().first().parent.data(), &panel);
    QCOMPARE(searchAnchor(panel),
             QStringLiteral("Find lyrics for Nordlicht Radio - Harbour Lights"));
    // The panel's own link is not followed as a navigation.
    QCOMPARE(linkClicked.count(), 0);
}

void tst_LyricsPanel::linkContract_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("acts");

    const QString base = LyricsPanel::placeholderBase();
    QTest::newRow("search link") << LyricsPanel::searchLink().toString() << true;
    QTest::newRow("placeholder base inside another link")
        << QStringLiteral("http://other.test/page?") + base + QStringLiteral("show_lyrics") << true;
    QTest::newRow("no placeholder base") << "http://example.com/show_lyrics" << false;
    QTest::newRow("show_lyrics first") << QStringLiteral("show_lyrics/") + base << false;
    QTest::newRow("no show_lyrics") << base + QStringLiteral("lyrics") << false;
}

void tst_LyricsPanel::linkContract()
{
    QFETCH(QString, link);
    QFETCH(bool, acts);

    Panel panel;
    const auto asked = answerTrack(panel, QStringLiteral("Alpha - Beta"));
    DialogAnswerer answerer;
    answerer.reject();

    panel.slot_textLyricsLinkClicked(QUrl(link));
    QCOMPARE(*asked, acts ? 1 : 0);
    QCOMPARE(answerer.seen().size(), acts ? 1 : 0);
    QVERIFY(panel.requests.isEmpty());
    QVERIFY(panel.trackInfo.isEmpty());
}

void tst_LyricsPanel::requestAddress_data()
{
    QTest::addColumn<QString>("artistField");
    QTest::addColumn<QString>("titleField");
    QTest::addColumn<QString>("confirmed");
    QTest::addColumn<QString>("target");

    const QString path = QStringLiteral("/lyrics/lyricssearch.aspx?");
    QTest::newRow("check number of ab") << "AB-"
                                        << ""
                                        << "AB-" << path + "artist=ab&song=&d=quindarole&l=3331";
    QTest::newRow("trimmed, lower-cased, encoded")
        << "  Velvet Orchard "
        << " Slow Tide  "
        << "Velvet Orchard - Slow Tide"
        << path + "artist=velvet%20orchard&song=slow%20tide&d=quindarole&l=1219703876";
    QTest::newRow("UTF-8")
        << QStringLiteral("Ærø Brass Band") << "Morning Tide"
        << QStringLiteral("Ærø Brass Band - Morning Tide")
        << path + "artist=%C3%A6r%C3%B8%20brass%20band&song=morning%20tide&d=quindarole"
                  "&l=731208544";
    QTest::newRow("reserved characters")
        << "R&B?"
        << "50% Off"
        << "R&B? - 50% Off" << path + "artist=r%26b%3F&song=50%25%20off&d=quindarole&l=1566265726";
    // Every value reaches the service as given: the service's check number over what it
    // decoded matches the panel's over what it sent, or the answer would be 403.
    const auto row = [&](const char *name, const QString &artist, const QString &title,
                         const QByteArray &artistSent, const QByteArray &titleSent) {
        // Put together piece by piece: the encoded values hold "%2" and the like.
        QTest::newRow(name) << artist << title << artist + QStringLiteral(" - ") + title
                            << path + QStringLiteral("artist=") + QString::fromLatin1(artistSent) +
                                   QStringLiteral("&song=") + QString::fromLatin1(titleSent) +
                                   QStringLiteral("&d=quindarole&l=") +
                                   QString::number(
                                       LyricsPanel::checkNumber(artist.toLower(), title.toLower()));
    };
    row("plus", QStringLiteral("Florence + the Machine"), QStringLiteral("Dog Days"),
        "florence%20%2B%20the%20machine", "dog%20days");
    row("hash, percent, ampersand, equals", QStringLiteral("#1 = 100%"),
        QStringLiteral("Rock & Roll"), "%231%20%3D%20100%25", "rock%20%26%20roll");
    row("encoded-looking text", QStringLiteral("a%2Bb"), QStringLiteral("c%26d+e"), "a%252bb",
        "c%2526d%2Be");
    row("non-ASCII", QStringLiteral("Sigur R\u00f3s"), QStringLiteral("Hopp\u00edpolla \u266b"),
        "sigur%20r%C3%B3s", "hopp%C3%ADpolla%20%E2%99%AB");
    QTest::newRow("hyphen inside a field")
        << "X-ray"
        << "Beta"
        << "X-ray - Beta" << path + "artist=x-ray&song=beta&d=quindarole&l=2098429453";
}

void tst_LyricsPanel::requestAddress()
{
    QFETCH(QString, artistField);
    QFETCH(QString, titleField);
    QFETCH(QString, confirmed);
    QFETCH(QString, target);

    Panel panel;
    openPanel(panel);
    answerTrack(panel, QStringLiteral("Something else"));
    QSignalSpy newTrack(&panel, &LyricsPanel::signal_newTrackInfo);
    DialogAnswerer answerer;
    answerer.handle([&](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("teArtist"))->setText(artistField);
        dialog->findChild<QLineEdit *>(QStringLiteral("teSongTitle"))->setText(titleField);
        static_cast<QDialog *>(dialog)->accept();
    });

    panel.slot_textLyricsLinkClicked(LyricsPanel::searchLink());
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(newTrack.count(), 1);
    QCOMPARE(newTrack.first().first().toString(), confirmed);
    QCOMPARE(panel.trackInfo, confirmed);
    QCOMPARE(panel.requests.size(), 1);
    // The service checks d and l itself: a 200 says both were right.
    QTRY_VERIFY2(served().contains(target + QStringLiteral(" 200")),
                 qPrintable(served().join(QLatin1Char('\n'))));
}

void tst_LyricsPanel::answers_data()
{
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("text");

    const QString link = LyricsPanel::searchLink().toString();
    QTest::newRow("Results form") << "Nordlicht Radio - Harbour Lights" << link << true
                                  << harbourLyrics;
    QTest::newRow("lyrics_body form")
        << "mira solberg-PAPER BOATS" << link << true
        << "Folded from the morning news\nPaper boats in rainy shoes\n"
           "One for you and one for me\nRacing to the open sea";
    QTest::newRow("entities in the answer")
        << "Mira Solberg - Glass Mountains" << link << true
        << "I climbed the glass mountains\nIn shoes made of <paper> & string\n"
           "The echo kept on asking\nWhy I never learned to sing";
    QTest::newRow("apostrophe") << QStringLiteral("Ærø Brass Band - Morning Tide") << link << true
                                << "(instrumental)\nTrumpets at the water's edge\n"
                                   "Tubas on the harbour ledge";
    QTest::newRow("found but empty Lyrics") << "Empty Verse - Silence" << link << true << "";
    QTest::newRow("found but empty lyrics_body") << "Empty Body - Hush" << link << true << "";
    QTest::newRow("song without lyrics")
        << "Copper Lanterns - Midnight Ferry" << link << false << "";
    QTest::newRow("unknown song") << "Nobody - Nothing" << link << false << "";
    // A link may carry a query of its own, here with a check number that the service refuses;
    // the template then lands in the fragment, which is not sent.
    QTest::newRow("wrong check number refused")
        << "Mallory - Script"
        << LyricsPanel::placeholderBase() +
               QStringLiteral("lyricssearch.aspx?artist=mallory&song=script&d=quindarole&l=7"
                              "#show_lyrics")
        << false << QT_EXT::QHttpExt::errorText(QNetworkReply::ContentAccessDenied);
}

void tst_LyricsPanel::answers()
{
    QFETCH(QString, track);
    QFETCH(QString, link);
    QFETCH(bool, found);
    QFETCH(QString, text);

    Panel panel;
    openPanel(panel);
    answerTrack(panel, track);
    DialogAnswerer answerer;
    answerer.accept();

    panel.slot_textLyricsLinkClicked(QUrl(link));
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(panel.requests.size(), 1);
    const QString expected = found ? text : text + QStringLiteral("Nothing found\n") + wikiUrl();
    QTRY_COMPARE(shownText(panel), expected);
    QVERIFY(panel.requests.isEmpty());
    if (link != LyricsPanel::searchLink().toString()) {
        QTRY_VERIFY2(
            served().contains(QStringLiteral(
                "/lyrics/lyricssearch.aspx?artist=mallory&song=script&d=quindarole&l=7 403")),
            qPrintable(served().join(QLatin1Char('\n'))));
    }
}

void tst_LyricsPanel::requestCannotStart()
{
    setHost(QStringLiteral("lyrics_service"), QStringLiteral("http://[bad"));
    Panel panel;
    openPanel(panel);
    answerTrack(panel, QStringLiteral("Nordlicht Radio - Harbour Lights"));
    DialogAnswerer answerer;
    answerer.accept();

    panel.slot_textLyricsLinkClicked(LyricsPanel::searchLink());
    QCOMPARE(answerer.answered(), 1);
    QVERIFY(panel.requests.isEmpty());
    QTRY_COMPARE(
        shownText(panel),
        QStringLiteral("Invalid URL: http://[bad/lyricssearch.aspx?artist=nordlicht%20radio"
                       "&song=harbour%20lights&d=quindarole&l=683698580"));
}

void tst_LyricsPanel::markupShownAsText_data()
{
    QTest::addColumn<bool>("rawAnswer");

    // The site-server escapes its answer as XML; a raw answer holds the markup as it is.
    QTest::newRow("escaped by the service") << false;
    QTest::newRow("raw markup in the answer") << true;
}

void tst_LyricsPanel::markupShownAsText()
{
    QFETCH(bool, rawAnswer);

    FakeHttpServer fake;
    fake.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content("<Results><Lyrics>" + markup.toStdString() + "</Lyrics></Results>",
                        "text/xml");
    });
    if (rawAnswer)
        setHost(QStringLiteral("lyrics_service"), fake.url().toString());

    Panel panel;
    openPanel(panel);
    answerTrack(panel, QStringLiteral("Mallory - Script"));
    DialogAnswerer answerer;
    answerer.accept();

    panel.slot_textLyricsLinkClicked(LyricsPanel::searchLink());
    QTRY_COMPARE(shownText(panel), markup);
    QCOMPARE(fake.requests().size(), rawAnswer ? 1 : 0);
    const auto count = [&panel](const QString &selector) {
        return evaluateInPage(
                   panel.page(),
                   QStringLiteral("document.querySelectorAll('%1').length").arg(selector))
            .toInt();
    };
    QCOMPARE(count(QStringLiteral("script")), 0);
    QCOMPARE(count(QStringLiteral("a")), 1);
    QCOMPARE(count(searchAnchorSelector()), 1);
    QVERIFY(panel.title() != QLatin1String("owned"));
}

void tst_LyricsPanel::onlyLatestSearchShown_data()
{
    QTest::addColumn<bool>("olderAnswersFirst");

    QTest::newRow("older answer first") << true;
    QTest::newRow("older answer last") << false;
}

void tst_LyricsPanel::onlyLatestSearchShown()
{
    QFETCH(bool, olderAnswersFirst);

    FakeHttpServer fake;
    Gate olderGate;
    Gate newerGate;
    fake.setHandler([older = olderGate.future(), newer = newerGate.future()](
                        const httplib::Request &req, httplib::Response &res) {
        const std::string artist = req.get_param_value("artist");
        (artist == "older" ? older : newer).wait();
        res.set_content("<Results><Lyrics>lyrics of " + artist + "</Lyrics></Results>", "text/xml");
    });
    setHost(QStringLiteral("lyrics_service"), fake.url().toString());

    Panel panel;
    openPanel(panel);
    QString track = QStringLiteral("Older - Song");
    connect(&panel, &LyricsPanel::signal_needTrackInfo, &panel,
            [&track](QString &text) { text = track; });
    QSignalSpy finished(&panel.http, &QT_EXT::QHttpExt::sig_Finished);
    DialogAnswerer answerer;
    answerer.accept();
    answerer.accept();

    panel.slot_textLyricsLinkClicked(LyricsPanel::searchLink());
    QTRY_COMPARE(shownText(panel), QStringLiteral("Loading..."));
    track = QStringLiteral("Newer - Song");
    panel.slot_textLyricsLinkClicked(LyricsPanel::searchLink());
    QCOMPARE(answerer.answered(), 2);
    QCOMPARE(panel.trackInfo, QStringLiteral("Newer - Song"));
    QCOMPARE(panel.requests.size(), 2);
    QTRY_COMPARE(fake.requests().size(), 2);

    if (olderAnswersFirst) {
        olderGate.open();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(shownText(panel), QStringLiteral("Loading..."));
        QCOMPARE(panel.requests.values(), QStringList{QStringLiteral("Newer - Song")});
        newerGate.open();
        QTRY_COMPARE(shownText(panel), QStringLiteral("lyrics of newer"));
        QVERIFY(panel.requests.isEmpty());
    } else {
        newerGate.open();
        QTRY_COMPARE(shownText(panel), QStringLiteral("lyrics of newer"));
        QVERIFY(panel.requests.isEmpty());
        olderGate.open();
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(shownText(panel), QStringLiteral("lyrics of newer"));
    }
}

void tst_LyricsPanel::dialogLoop_data()
{
    QTest::addColumn<QString>("track");
    QTest::addColumn<QStringList>("presets");

    // Each dialog but the last is confirmed unchanged; the last is cancelled.
    QTest::newRow("cancelled") << "Alpha - Beta" << QStringList{"Alpha"};
    QTest::newRow("two hyphens") << "A - B - C" << QStringList{"A - B - C", "A - B - C"};
    QTest::newRow("no hyphen") << "Solo" << QStringList{"Solo", "Solo", "Solo"};
    QTest::newRow("no track") << "" << QStringList{"", ""};
}

void tst_LyricsPanel::dialogLoop()
{
    QFETCH(QString, track);
    QFETCH(QStringList, presets);

    Panel panel;
    openPanel(panel);
    const QString before = shownText(panel);
    answerTrack(panel, track);
    QSignalSpy newTrack(&panel, &LyricsPanel::signal_newTrackInfo);
    DialogAnswerer answerer;
    QStringList seen;
    for (int i = 0; i < presets.size(); ++i) {
        const bool last = i == presets.size() - 1;
        answerer.handle([&seen, last](QWidget *dialog) {
            seen.append(dialog->findChild<QLineEdit *>(QStringLiteral("teArtist"))->text());
            if (last)
                static_cast<QDialog *>(dialog)->reject();
            else
                static_cast<QDialog *>(dialog)->accept();
        });
    }
    panel.slot_textLyricsLinkClicked(LyricsPanel::searchLink());
    QCOMPARE(seen, presets);
    QCOMPARE(answerer.answered(), presets.size());
    QCOMPARE(newTrack.count(), 0);
    QVERIFY(panel.requests.isEmpty());
    QVERIFY(panel.trackInfo.isEmpty());
    QCOMPARE(shownText(panel), before);
}

QTEST_MAIN(tst_LyricsPanel)
#include "tst_lyricspanel.moc"
