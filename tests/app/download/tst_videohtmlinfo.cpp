#include "download/videohtmlinfo.h"
#include "download/watchpage.h"
#include "fakehttpserver.h"
#include "siteserverprocess.h"

#include <httplib.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

using QT_EXT::QHttpExt;

namespace {

// A watch page whose script data carries the stream map as the site writes it.
QString watchPage(const QString &map)
{
    return QStringLiteral("<html><body><script>var ytplayer = ytplayer || {};\n"
                          "ytplayer.config = {\"args\": {\"video_id\":\"x\",\"title\":\"T\","
                          "\"url_encoded_fmt_stream_map\": \"") +
           map + QStringLiteral("\"}};</script></body></html>");
}

// The formats map as "itag|name|extension|url" lines, in map order.
QStringList describe(const VideoHtmlInfo::FormatMap &formats)
{
    QStringList lines;
    for (auto it = formats.cbegin(); it != formats.cend(); ++it) {
        const FormatInfo &f = *it.value();
        lines << QStringLiteral("%1|%2|%3|%4").arg(f.itag).arg(f.name, f.extension, f.url);
        if (it.key() != f.itag)
            lines << QStringLiteral("key %1 holds itag %2").arg(it.key()).arg(f.itag);
    }
    return lines;
}

void setVideoSite(const QString &hostAndPort)
{
    QSettings().setValue(QStringLiteral("hosts/video_site"), hostAndPort);
}

} // namespace

class tst_VideoHtmlInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void nameAndExtensionTable_data();
    void nameAndExtensionTable();
    void analysis_data();
    void analysis();
    void unicodeEscapes_data();
    void unicodeEscapes();
    void failedFetchLeavesFixedEntry();
    void laterLoadWins();
    void siteServerWatchPage();

private:
    QTemporaryDir settingsDir;
};

void tst_VideoHtmlInfo::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QCoreApplication::setOrganizationName(QStringLiteral("QuorbelTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_videohtmlinfo"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
}

void tst_VideoHtmlInfo::nameAndExtensionTable_data()
{
    QTest::addColumn<int>("itag");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("5") << 5 << "FLV 240"
                       << ".flv";
    QTest::newRow("34") << 34 << "FLV 360"
                        << ".flv";
    QTest::newRow("35") << 35 << "FLV 480"
                        << ".flv";
    QTest::newRow("18") << 18 << "MP4 360"
                        << ".mp4";
    QTest::newRow("22") << 22 << "MP4 720"
                        << ".mp4";
    QTest::newRow("37") << 37 << "MP4 1080"
                        << ".mp4";
    QTest::newRow("38") << 38 << "MP4 Original"
                        << ".mp4";
    QTest::newRow("43") << 43 << ""
                        << ".mp4";
    QTest::newRow("0") << 0 << ""
                       << ".mp4";
}

void tst_VideoHtmlInfo::nameAndExtensionTable()
{
    QFETCH(int, itag);
    QFETCH(QString, name);
    QFETCH(QString, extension);
    VideoHtmlInfo info;
    QCOMPARE(info.nameForItag(itag), name);
    QCOMPARE(info.extensionForItag(itag), extension);
}

void tst_VideoHtmlInfo::analysis_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("formats");

    // Maps as they stand in the page source, backslashes included.
    QTest::newRow("two entries") << watchPage(
                                        R"(url=http%3A%2F%2Fa.example%2Fv%3Fid%3D1\u0026itag=22,)"
                                        R"(url=http%3A%2F%2Fb.example%2Fv%3Fid%3D2\u0026itag=5)")
                                 << QStringList{"5|FLV 240|.flv|http://b.example/v?id=2",
                                                "22|MP4 720|.mp4|http://a.example/v?id=1"};
    QTest::newRow("itag without query")
        << watchPage(R"(url=http%3A%2F%2Fa.example%2Fv\u0026itag=22)")
        << QStringList{"0||.mp4|http://a.example/v"};
    QTest::newRow("percent escapes restored, a comma stays encoded")
        << watchPage(R"(url=http%3a%2f%2fa.example%2Fv%3Fq%3Da%2Cb%26r%3D1\u0026itag=18)")
        << QStringList{"18|MP4 360|.mp4|http://a.example/v?q=a%2Cb&r=1"};
    QTest::newRow("doubly escaped ampersand")
        << watchPage(R"(url=http%3A%2F%2Fa.example%2Fv%3Fx%3D1%2526itag%3D35)")
        << QStringList{"35|FLV 480|.flv|http://a.example/v?x=1"};
    QTest::newRow("escaped slash") << watchPage(R"(url=http:\/\/a.example\/v?id=1\u0026itag=37)")
                                   << QStringList{"37|MP4 1080|.mp4|http://a.example/v?id=1"};
    QTest::newRow("repeated itag keeps the later")
        << watchPage(R"(url=http://a.example/first?n=1\u0026itag=18,)"
                     R"(url=http://a.example/second?n=2\u0026itag=18)")
        << QStringList{"18|MP4 360|.mp4|http://a.example/second?n=2"};
    QTest::newRow("itag outside the table")
        << watchPage(R"(url=http://a.example/v?id=1\u0026itag=43)")
        << QStringList{"43||.mp4|http://a.example/v?id=1"};
    QTest::newRow("itag not last")
        << watchPage(R"(url=http%3A%2F%2Fa.example%2Fv%3Fid%3D1\u0026itag=22\u0026quality=hd720)")
        << QStringList{"22|MP4 720|.mp4|http://a.example/v?id=1&itag=22&quality=hd720"};
    QTest::newRow("escape with a hex letter left to the backslash step")
        << watchPage(R"(url=http://a.example/v?x\u003d1\u0026itag=5)")
        << QStringList{"5|FLV 240|.flv|http://a.example/v?xu003d1"};
    QTest::newRow("white space around the colon")
        << QStringLiteral("{\"url_encoded_fmt_stream_map\" \t:\n \"url=http://a/v?i=1&itag=38\"}")
        << QStringList{"38|MP4 Original|.mp4|http://a/v?i=1"};
    QTest::newRow("first map of the page") << watchPage(R"(url=http://a/first?i=1&itag=18)") +
                                                  watchPage(R"(url=http://a/second?i=1&itag=22)")
                                           << QStringList{"18|MP4 360|.mp4|http://a/first?i=1"};
    // Streams that are no web addresses are never offered; an https one is.
    QTest::newRow("local file left out")
        << watchPage(R"(url=file%3A%2F%2F%2Fetc%2Fpasswd%3Fitag%3D22,)"
                     R"(url=http://a.example/v?id=1\u0026itag=18)")
        << QStringList{"18|MP4 360|.mp4|http://a.example/v?id=1"};
    QTest::newRow("a later local file does not replace a stream")
        << watchPage(R"(url=http://a.example/v?id=1\u0026itag=18,)"
                     R"(url=FILE:\/\/\/home\/x?itag=18,url=ftp://a.example/v?itag=18,)"
                     R"(url=data:text/plain,x?itag=18,url=/relative?itag=18)")
        << QStringList{"18|MP4 360|.mp4|http://a.example/v?id=1"};
    QTest::newRow("https kept") << watchPage(
                                       R"(url=https%3A%2F%2Fa.example%2Fv%3Fid%3D1\u0026itag=22)")
                                << QStringList{"22|MP4 720|.mp4|https://a.example/v?id=1"};
    QTest::newRow("no stream map")
        << QStringLiteral("<html>nothing here</html>") << QStringList{"0||.mp4|"};
    QTest::newRow("unterminated map runs to the end")
        << QStringLiteral("\"url_encoded_fmt_stream_map\":\"url=http://a/v?i=1&itag=5")
        << QStringList{"5|FLV 240|.flv|http://a/v?i=1"};
}

void tst_VideoHtmlInfo::analysis()
{
    QFETCH(QString, page);
    QFETCH(QStringList, formats);

    FakeHttpServer server;
    const QByteArray body = page.toUtf8();
    server.setHandler([body](const httplib::Request &, httplib::Response &res) {
        res.set_content(body.constData(), size_t(body.size()), "text/html; charset=utf-8");
    });
    setVideoSite(QStringLiteral("127.0.0.1:%1").arg(server.port()));

    VideoHtmlInfo info;
    QSignalSpy ready(&info, &VideoHtmlInfo::signal_Ready);
    info.load(QStringLiteral("Ab_1-x"));
    QVERIFY(ready.wait());
    QCOMPARE(ready.size(), 1);
    QCOMPARE(describe(info.formats()), formats);
    QVERIFY(info.hasFormats());
    QCOMPARE(info.videoId(), QStringLiteral("Ab_1-x"));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.requests().first().path, QStringLiteral("/watch"));
    QCOMPARE(VideoHtmlInfo::watchUrl(QStringLiteral("Ab_1-x")),
             QStringLiteral("http://127.0.0.1:%1/watch?v=Ab_1-x").arg(server.port()));
}

void tst_VideoHtmlInfo::unicodeEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("plain") << "a\\u0026b"
                           << "a&b";
    QTest::newRow("digits read as hexadecimal") << "\\u0041\\u0100" << QStringLiteral("A\u0100");
    QTest::newRow("a replaced u completes an escape") << "\\\\u00750041"
                                                      << "A";
    QTest::newRow("two replacements complete an escape") << "\\\\u0075\\u0030041"
                                                         << "A";
    QTest::newRow("a replaced digit completes an escape") << "\\u004\\u0031"
                                                          << "A";
    QTest::newRow("hex letter not an escape") << "\\u003d"
                                              << "\\u003d";
    QTest::newRow("too short") << "\\u12"
                               << "\\u12";
    QTest::newRow("upper-case U") << "\\U0041"
                                  << "\\U0041";
}

void tst_VideoHtmlInfo::unicodeEscapes()
{
    QFETCH(QString, text);
    QFETCH(QString, decoded);
    QCOMPARE(decodeDecimalUnicodeEscapes(text), decoded);
}

void tst_VideoHtmlInfo::failedFetchLeavesFixedEntry()
{
    FakeHttpServer server;
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.status = 404;
        res.set_content(watchPage(QStringLiteral("url=http://a/v?i=1&itag=22")).toStdString(),
                        "text/html");
    });
    setVideoSite(QStringLiteral("127.0.0.1:%1").arg(server.port()));

    VideoHtmlInfo info;
    QSignalSpy ready(&info, &VideoHtmlInfo::signal_Ready);
    info.load(QStringLiteral("missing"));
    QVERIFY(ready.wait());
    QCOMPARE(describe(info.formats()), QStringList{"0||.mp4|"});
    QVERIFY(info.hasFormats());
    // Told apart from a page without streams, so that the window can ask for it again.
    QVERIFY(info.fetchFailed());
    server.setHandler([](const httplib::Request &, httplib::Response &res) {
        res.set_content(watchPage(QStringLiteral("url=http://a/v?i=1&itag=22")).toStdString(),
                        "text/html");
    });
    info.load(QStringLiteral("missing"));
    QVERIFY(!info.fetchFailed());
    QVERIFY(ready.wait());
    QVERIFY(!info.fetchFailed());
    QCOMPARE(describe(info.formats()), QStringList{"22|MP4 720|.mp4|http://a/v?i=1"});
}

void tst_VideoHtmlInfo::laterLoadWins()
{
    // The first page is held back until the second has been analysed.
    std::atomic<bool> release{false};
    FakeHttpServer server;
    server.setHandler([&release](const httplib::Request &req, httplib::Response &res) {
        const std::string id = req.get_param_value("v");
        while (id == "first" && !release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        res.set_content(
            watchPage(QStringLiteral("url=http://a/%1?i=1&itag=18").arg(QString::fromStdString(id)))
                .toStdString(),
            "text/html");
    });
    setVideoSite(QStringLiteral("127.0.0.1:%1").arg(server.port()));

    VideoHtmlInfo info;
    auto *engine = info.findChild<QHttpExt *>();
    QVERIFY(engine);
    QSignalSpy finished(engine, &QHttpExt::sig_Finished);
    QSignalSpy ready(&info, &VideoHtmlInfo::signal_Ready);
    info.load(QStringLiteral("first"));
    info.load(QStringLiteral("second"));
    QVERIFY(ready.wait());
    QCOMPARE(describe(info.formats()), QStringList{"18|MP4 360|.mp4|http://a/second?i=1"});

    release = true;
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(ready.size(), 1);
    QCOMPARE(describe(info.formats()), QStringList{"18|MP4 360|.mp4|http://a/second?i=1"});
    QCOMPARE(info.videoId(), QStringLiteral("second"));
}

void tst_VideoHtmlInfo::siteServerWatchPage()
{
    SiteServerProcess server;
    QString error;
    QVERIFY2(server.start({}, error), qPrintable(error));
    setVideoSite(server.videoAddress());

    const QString id = QStringLiteral("Ge2Xy5Ci7Lo");
    VideoHtmlInfo info;
    QSignalSpy ready(&info, &VideoHtmlInfo::signal_Ready);
    info.load(id);
    QVERIFY(ready.wait(10000));

    const QString stream =
        QStringLiteral("http://%1/videoplayback?id=%2&itag=").arg(server.videoAddress(), id);
    QCOMPARE(info.formats().keys(), (QList<int>{5, 18, 22, 43}));
    const QStringList expected{
        QStringLiteral("5|FLV 240|.flv|") + stream +
            QStringLiteral("5&quality=small&type=video/x-flv"),
        QStringLiteral("18|MP4 360|.mp4|") + stream +
            QStringLiteral("18&quality=medium&type=video/mp4"),
        QStringLiteral("22|MP4 720|.mp4|") + stream +
            QStringLiteral("22&quality=hd720&type=video/mp4"),
        QStringLiteral("43||.mp4|") + stream + QStringLiteral("43&quality=medium&type=video/webm"),
    };
    QCOMPARE(describe(info.formats()), expected);
    QVERIFY2(server.stop(error), qPrintable(error));
}

QTEST_MAIN(tst_VideoHtmlInfo)
#include "tst_videohtmlinfo.moc"
