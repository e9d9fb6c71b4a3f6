// Answers from the network that try to swamp the program: a huge watch page, a list of ten
// thousand videos, a huge lyrics answer and redirects that never end. Each must end in a clear
// failure or a bounded result while the event loop keeps turning and memory stays bounded.

#include "pagescript.h"
#include "dialoganswerer.h"
#include "download/videohtmlinfo.h"
#include "fakehttpserver.h"
#include "lyrics/lyricspanel.h"
#include "pages/videolistbrowser.h"
#include "qhttpext.h"

#include <httplib.h>

#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <memory>

using QT_EXT::QHttpExt;

namespace {

// The longest time the event loop went without turning, seen by a fast timer.
class GapMeter
{
public:
    GapMeter()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout,
                         [this] { worst = qMax(worst, clock.restart()); });
        clock.start();
        timer.start();
    }
    qint64 longestGapMs() const { return qMax(worst, clock.elapsed()); }

private:
    QTimer timer;
    QElapsedTimer clock;
    qint64 worst = 0;
};

qint64 statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(int(qstrlen(name))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Starts a fresh measure of the peak resident size (Linux: "5" into clear_refs).
void resetPeakRss()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// Peak resident size since resetPeakRss, in MiB.
qint64 peakRssMiB()
{
    return statusField("VmHWM:") / 1024;
}

qint64 rssMiB()
{
    return statusField("VmRSS:") / 1024;
}

// A body of the given size sent as fast as the server can, in chunks and without a length,
// so that nothing but the bytes themselves tells how large it is.
void sendChunked(httplib::Response &res, const QByteArray &head, qint64 size, const char *type)
{
    auto sent = std::make_shared<qint64>(0);
    res.set_chunked_content_provider(type, [head, size, sent](size_t, httplib::DataSink &sink) {
        static const QByteArray filler = QByteArray(1 << 20, 'x');
        if (*sent >= size) {
            sink.done();
            return true;
        }
        const QByteArray &piece = *sent == 0 ? head : filler;
        const qint64 count = qMin<qint64>(piece.size(), size - *sent);
        *sent += count;
        return sink.write(piece.constData(), size_t(count));
    });
}

void report(const QString &what, const QString &result, qint64 ms, const GapMeter &gaps)
{
    qInfo().noquote() << QStringLiteral("hostile input: %1: %2 after %3 ms; longest event-loop "
                                        "gap %4 ms; peak RSS %5 MiB (now %6 MiB)")
                             .arg(what, result)
                             .arg(ms)
                             .arg(gaps.longestGapMs())
                             .arg(peakRssMiB())
                             .arg(rssMiB());
}

QString itags(const VideoHtmlInfo::FormatMap &formats)
{
    QStringList keys;
    for (const int itag : formats.keys())
        keys << QString::number(itag);
    return keys.join(QLatin1Char(' '));
}

class Panel : public LyricsPanel
{
public:
    using LyricsPanel::slot_textLyricsLinkClicked;
};

} // namespace

class tst_HostileInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hugeWatchPage();
    void tenThousandListEntries();
    void hugeLyricsAnswer();
    void redirectLoop_data();
    void redirectLoop();

private:
    static void setHost(const QString &key, const QString &value);
    QTemporaryDir settingsDir;
};

void tst_HostileInput::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QCoreApplication::setOrganizationName(QStringLiteral("QuorbelTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_hostileinput"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
}

void tst_HostileInput::setHost(const QString &key, const QString &value)
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("hosts"));
    settings.setValue(key, value);
}

void tst_HostileInput::hugeWatchPage()
{
    constexpr qint64 size = 100 * 1024 * 1024;
    FakeHttpServer site;
    site.setHandler([](const httplib::Request &, httplib::Response &res) {
        // A real stream map first, then a hundred megabytes of page.
        sendChunked(res,
                    "<html><script>var a = {\"url_encoded_fmt_stream_map\": "
                    "\"itag=18\\u0026url=http%3A%2F%2Fx.test%2Fv\"};</script>",
                    size, "text/html");
    });
    setHost(QStringLiteral("video_site"), QStringLiteral("127.0.0.1:%1").arg(site.port()));

    VideoHtmlInfo info;
    QSignalSpy ready(&info, &VideoHtmlInfo::signal_Ready);
    resetPeakRss();
    GapMeter gaps;
    QElapsedTimer clock;
    clock.start();
    info.load(QStringLiteral("hugePage001"));
    QVERIFY(ready.wait(60000));
    report(QStringLiteral("watch page of 100 MiB"),
           QStringLiteral("formats with the itags %1").arg(itags(info.formats())), clock.elapsed(),
           gaps);
    // Refused as a whole: what a failed fetch leaves (the fixed entry 0), no stream of a page
    // that was never read to its end.
    QCOMPARE(itags(info.formats()), QStringLiteral("0"));
    QVERIFY(info.formats().value(0)->url.isEmpty());
}

void tst_HostileInput::tenThousandListEntries()
{
    constexpr int count = 10000;
    FakeHttpServer maker;
    QByteArray list = "{\"entry\":[";
    for (int i = 0; i < count; ++i) {
        const QByteArray id = QByteArray::number(i).rightJustified(11, 'v');
        list += (i ? "," : "") + QByteArray("{\"id\":\"") + id + "\",\"title\":\"Video " +
                QByteArray::number(i) + "\",\"url\":\"http://127.0.0.1/watch?v=" + id +
                "\",\"thumbnail\":\"/vi/" + id + "/default.jpg\",\"duration\":\"200\"}";
    }
    list += "]}";
    maker.setHandler([list](const httplib::Request &req, httplib::Response &res) {
        if (req.path == "/api/videos/top") {
            res.set_content(list.constData(), size_t(list.size()), "application/json");
            return;
        }
        const QString file = QStringLiteral(WEB_DIR) + QString::fromStdString(req.path);
        QFile page(file);
        if (!req.path.empty() && req.path.find("..") == std::string::npos &&
            page.open(QIODevice::ReadOnly)) {
            const QByteArray body = page.readAll();
            const char *type = file.endsWith(QLatin1String(".js"))    ? "application/javascript"
                               : file.endsWith(QLatin1String(".css")) ? "text/css"
                                                                      : "text/html";
            res.set_content(body.constData(), size_t(body.size()), type);
            return;
        }
        res.status = 404;
    });
    setHost(QStringLiteral("maker"), QStringLiteral("127.0.0.1:%1").arg(maker.port()));

    VideoListBrowser browser;
    browser.resize(800, 600);
    browser.show();
    resetPeakRss();
    GapMeter gaps;
    QElapsedTimer clock;
    clock.start();
    browser.showCategory(VideoListBrowser::MostPopular);
    const auto shown = [&browser] {
        return evaluateInPage(browser.page(),
                              QStringLiteral("document.querySelectorAll('.item').length"))
            .toInt();
    };
    QTRY_VERIFY_WITH_TIMEOUT(shown() > 0, 60000);
    const qint64 renderedMs = clock.elapsed();
    // Every thumbnail the page holds has been asked for once each of its images has loaded or
    // failed; the page makes no image after its rows.
    QTRY_VERIFY_WITH_TIMEOUT(
        evaluateInPage(browser.page(),
                       QStringLiteral("Array.from(document.images).every(i => i.complete)"))
            .toBool(),
        60000);
    const int rows = shown();
    const int thumbnails = [&maker] {
        int n = 0;
        for (const auto &r : maker.requests())
            n += r.path.startsWith(QLatin1String("/vi/")) ? 1 : 0;
        return n;
    }();
    const QString status =
        evaluateInPage(browser.page(),
                       QStringLiteral("document.getElementById('status').textContent"))
            .toString();
    report(QStringLiteral("list answer of %1 entries").arg(count),
           QStringLiteral("%1 rows shown, %2 thumbnails asked for, status \"%3\"")
               .arg(rows)
               .arg(thumbnails)
               .arg(status),
           renderedMs, gaps);
    // A bounded page: the first entries, and a word on the ones left out.
    QCOMPARE(rows, 200);
    QVERIFY(thumbnails <= 200);
    QVERIFY2(status.contains(QStringLiteral("200")) && status.contains(QStringLiteral("10000")),
             qPrintable(status));
}

void tst_HostileInput::hugeLyricsAnswer()
{
    constexpr qint64 size = 10 * 1024 * 1024;
    FakeHttpServer service;
    service.setHandler([](const httplib::Request &req, httplib::Response &res) {
        if (req.path.find("lyricssearch.aspx") == std::string::npos) {
            res.set_content("<html><body>wiki</body></html>", "text/html");
            return;
        }
        QByteArray body = "<Results><Lyrics>";
        body += QByteArray(int(size) - body.size() - 20, 'l');
        body += "</Lyrics></Results>";
        res.set_content(body.constData(), size_t(body.size()), "text/xml");
    });
    setHost(QStringLiteral("lyrics_service"), service.url(QStringLiteral("/lyrics/")).toString());
    setHost(QStringLiteral("lyrics_wiki"), service.url(QStringLiteral("/wiki/")).toString());

    Panel panel;
    panel.resize(800, 600);
    panel.show();
    QSignalSpy loaded(&panel, &QWebEngineView::loadFinished);
    panel.showLyrics(QStringLiteral("Artist - Title"));
    QVERIFY(loaded.wait(10000));
    connect(&panel, &LyricsPanel::signal_needTrackInfo, &panel,
            [](QString &text) { text = QStringLiteral("Artist - Title"); });
    DialogAnswerer answerer;
    answerer.accept();

    resetPeakRss();
    GapMeter gaps;
    QElapsedTimer clock;
    clock.start();
    panel.slot_textLyricsLinkClicked(LyricsPanel::searchLink());
    QCOMPARE(answerer.answered(), 1);
    // Waited for by the clock, until the page has given up "Loading..." for the answer (the
    // page shows each text a moment after it was given; each look takes its own time).
    bool loadingShown = false;
    QVERIFY(QTest::qWaitFor(
        [&panel, &loadingShown] {
            const bool loading =
                evaluateInPage(panel.page(), QStringLiteral("document.body.innerText"))
                    .toString()
                    .contains(QStringLiteral("Loading..."));
            loadingShown = loadingShown || loading;
            return loadingShown && !loading;
        },
        60000));
    const QString shown =
        evaluateInPage(panel.page(), QStringLiteral("document.body.innerText")).toString();
    report(QStringLiteral("lyrics answer of 10 MiB"),
           QStringLiteral("the page shows %1 characters: \"%2\"")
               .arg(shown.size())
               .arg(shown.left(120).simplified()),
           clock.elapsed(), gaps);
    QVERIFY2(shown.contains(QStringLiteral("larger than the limit")), qPrintable(shown.left(300)));
    QVERIFY(shown.size() < 1000);
}

void tst_HostileInput::redirectLoop_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<bool>("endless"); // false: not followed at all

    // A target equal to the address is not followed: the reply itself is the result.
    QTest::newRow("to itself") << "/self" << false << false;
    QTest::newRow("between two") << "/a" << false << true;
    QTest::newRow("between two, download") << "/a" << true << true;
    QTest::newRow("ever new addresses") << "/n/0" << false << true;
    QTest::newRow("ever new addresses, download") << "/n/0" << true << true;
}

void tst_HostileInput::redirectLoop()
{
    QFETCH(QString, path);
    QFETCH(bool, toFile);
    QFETCH(bool, endless);

    FakeHttpServer site;
    std::atomic<int> asked{0};
    site.setHandler([&asked](const httplib::Request &req, httplib::Response &res) {
        ++asked;
        res.status = 302;
        if (req.path == "/self")
            res.set_header("Location", "/self");
        else if (req.path == "/a")
            res.set_header("Location", "/b");
        else if (req.path == "/b")
            res.set_header("Location", "/a");
        else
            res.set_header("Location", "/n/" + std::to_string(asked.load()));
        res.set_content("moved", "text/plain");
    });

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("loop.bin"));
    QHttpExt engine;
    QSignalSpy finished(&engine, &QHttpExt::sig_Finished);
    bool failed = false;
    QString error;
    connect(&engine, &QHttpExt::sig_Finished, this, [&](const QHttpExt::httpInfo *info) {
        if (info) {
            failed = info->failed;
            error = info->error;
        }
    });
    GapMeter gaps;
    QElapsedTimer clock;
    clock.start();
    const QString url = site.url(path).toString();
    const int id = toFile ? engine.download(url, file, false) : engine.get(url, false);
    QVERIFY(id != 0);
    QVERIFY(finished.wait(20000));
    qInfo().noquote() << QStringLiteral("hostile input: redirect loop %1%2: %3 requests, %4 \"%5\" "
                                        "after %6 ms; longest event-loop gap %7 ms")
                             .arg(path, toFile ? QStringLiteral(" (download)") : QString())
                             .arg(asked.load())
                             .arg(failed ? QStringLiteral("failed") : QStringLiteral("succeeded"))
                             .arg(error)
                             .arg(clock.elapsed())
                             .arg(gaps.longestGapMs());
    if (!endless) {
        QVERIFY(!failed);
        QCOMPARE(asked.load(), 1);
        return;
    }
    QVERIFY(failed);
    QCOMPARE(error, QStringLiteral("Too many redirects: the transfer was stopped after %1.")
                        .arg(QHttpExt::maxRedirects));
    QCOMPARE(asked.load(), QHttpExt::maxRedirects + 1);
    if (toFile)
        QVERIFY(!QFileInfo::exists(file));
}

QTEST_MAIN(tst_HostileInput)
#include "tst_hostileinput.moc"
