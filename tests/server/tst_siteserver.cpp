#include "siteserverprocess.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QtTest>

#include <algorithm>

namespace {

struct Reply
{
    int status = 0;
    QByteArray body;
    QMap<QByteArray, QByteArray> headers; // lower-case names
    QByteArray header(const char *name) const { return headers.value(QByteArray(name)); }
};

// The streams that the watch page analysis finds in a page: itag -> download address.
// Written from the site's documented form of the stream map.
QMap<int, QString> analyseWatchPage(const QString &page)
{
    static const QRegularExpression mapPattern(
        QStringLiteral("\"url_encoded_fmt_stream_map\"\\s*:\\s*\"([^\"]*)"));
    QString text = mapPattern.match(page).captured(1);
    static const QRegularExpression unicodeEscape(QStringLiteral("\\\\u(\\d{4})"));
    for (QRegularExpressionMatch m = unicodeEscape.match(text); m.hasMatch();
         m = unicodeEscape.match(text)) {
        text.replace(m.captured(0), QChar(m.captured(1).toUShort(nullptr, 16)));
    }
    text.replace(QRegularExpression(QStringLiteral("\\\\(.)")), QStringLiteral("\\1"));
    const char *const escapes[][2] = {{"%3A", ":"}, {"%2F", "/"}, {"%3F", "?"}, {"%3D", "="},
                                      {"%25", "%"}, {"%26", "&"}, {"%3D", "="}};
    for (const auto &e : escapes) {
        text.replace(QLatin1String(e[0]), QLatin1String(e[1]), Qt::CaseInsensitive);
    }
    QMap<int, QString> streams;
    const QStringList parts = text.split(QLatin1Char(','));
    for (QString part : parts) {
        part.remove(0, 4);
        const int itag = QUrlQuery(QUrl(part)).queryItemValue(QStringLiteral("itag")).toInt();
        part.remove(QRegularExpression(QStringLiteral("&itag=\\d+$")));
        streams.insert(itag, part);
    }
    return streams;
}

quint32 checkNumber(const QString &artist, const QString &song)
{
    const QString text = artist + song;
    quint32 value = 0;
    for (int i = text.size() - 1; i >= 0; --i) {
        value = value * 33u + text.at(i).unicode();
    }
    return value;
}

QByteArray readMediaFile(const QString &id, const QString &name)
{
    QFile file(SiteServerProcess::mediaDir() + QLatin1Char('/') + id + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_SiteServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void topLists_data();
    void topLists();
    void unknownTopList();
    void related();
    void search_data();
    void search();
    void videoRecord();
    void lyricsService_data();
    void lyricsService();
    void lyricsWiki();
    void conversionPage_data();
    void conversionPage();
    void watchPages_data();
    void watchPages();
    void rangedStream_data();
    void rangedStream();
    void thumbnails();
    void unknownIds_data();
    void unknownIds();
    void playerInfo_data();
    void playerInfo();
    void hostedPages_data();
    void hostedPages();
    void pathTraversal_data();
    void pathTraversal();
    void requestLog();
    void startupErrors_data();
    void startupErrors();

private:
    Reply get(const QUrl &url, const QByteArray &range = QByteArray());
    Reply rawGet(int port, const QByteArray &target);
    QJsonArray entries(const Reply &reply);

    SiteServerProcess m_server;
    QNetworkAccessManager m_network;
    QJsonArray m_catalog;
};

void tst_SiteServer::initTestCase()
{
    QString error;
    QVERIFY2(m_server.start({QStringLiteral("--log")}, error), qPrintable(error));
    QFile catalog(SiteServerProcess::dataDir() + QStringLiteral("/catalog.json"));
    QVERIFY(catalog.open(QIODevice::ReadOnly));
    m_catalog = QJsonDocument::fromJson(catalog.readAll())
                    .object()
                    .value(QStringLiteral("videos"))
                    .toArray();
    QVERIFY(m_catalog.size() >= 6);
}

void tst_SiteServer::cleanupTestCase()
{
    QString error;
    QVERIFY2(m_server.stop(error), qPrintable(error));
}

Reply tst_SiteServer::get(const QUrl &url, const QByteArray &range)
{
    QNetworkRequest request(url);
    if (!range.isEmpty()) {
        request.setRawHeader("Range", range);
    }
    QNetworkReply *reply = m_network.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished()) {
        finished.wait(10000);
    }
    Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    const auto pairs = reply->rawHeaderPairs();
    for (const auto &pair : pairs) {
        result.headers.insert(pair.first.toLower(), pair.second);
    }
    reply->deleteLater();
    return result;
}

// A request written by hand, for paths that a URL class would normalise first.
Reply tst_SiteServer::rawGet(int port, const QByteArray &target)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    Reply result;
    if (!socket.waitForConnected(5000)) {
        return result;
    }
    socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    QByteArray data;
    while (socket.waitForReadyRead(5000)) {
        data += socket.readAll();
    }
    data += socket.readAll();
    const QList<QByteArray> statusLine = data.left(data.indexOf("\r\n")).split(' ');
    if (statusLine.size() >= 2) {
        result.status = statusLine.at(1).toInt();
    }
    result.body = data.mid(data.indexOf("\r\n\r\n") + 4);
    return result;
}

QJsonArray tst_SiteServer::entries(const Reply &reply)
{
    return QJsonDocument::fromJson(reply.body).object().value(QStringLiteral("entry")).toArray();
}

void tst_SiteServer::topLists_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("orderKey");
    QTest::newRow("most popular") << "most_popular"
                                  << "popularity";
    QTest::newRow("most viewed") << "most_viewed"
                                 << "views";
    QTest::newRow("most recent") << "most_recent"
                                 << "published";
    QTest::newRow("top rated") << "top_rated"
                               << "rating";
    QTest::newRow("top favorites") << "top_favorites"
                                   << "favorites";
}

void tst_SiteServer::topLists()
{
    QFETCH(QString, list);
    QFETCH(QString, orderKey);
    const Reply reply = get(m_server.makerUrl(QStringLiteral("/api/videos/top?list=") + list));
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.header("content-type").startsWith("application/json"));
    const QJsonArray records = entries(reply);
    QCOMPARE(records.size(), m_catalog.size());

    // Every record has the five string keys, and the list is ordered by its key, best first.
    QVariant previous;
    for (const QJsonValue &value : records) {
        const QJsonObject record = value.toObject();
        for (const char *key : {"id", "url", "title", "thumbnail", "duration"}) {
            QVERIFY2(record.value(QLatin1String(key)).isString(), key);
        }
        const QString id = record.value(QStringLiteral("id")).toString();
        QCOMPARE(record.value(QStringLiteral("url")).toString(),
                 QStringLiteral("http://%1/watch?v=%2").arg(m_server.videoAddress(), id));
        QCOMPARE(record.value(QStringLiteral("thumbnail")).toString(),
                 QStringLiteral("http://%1/vi/%2/default.jpg").arg(m_server.videoAddress(), id));
        const auto source =
            std::find_if(m_catalog.begin(), m_catalog.end(), [&](const QJsonValue &v) {
                return v.toObject().value(QStringLiteral("id")).toString() == id;
            });
        QVERIFY(source != m_catalog.end());
        const QJsonObject video = source->toObject();
        QCOMPARE(record.value(QStringLiteral("title")).toString(),
                 video.value(QStringLiteral("title")).toString());
        QCOMPARE(record.value(QStringLiteral("duration")).toString(),
                 QString::number(video.value(QStringLiteral("duration")).toInt()));
        const QVariant current = video.value(orderKey).toVariant();
        if (previous.isValid()) {
            if (current.userType() == QMetaType::QString) {
                QVERIFY(previous.toString() >= current.toString());
            } else {
                QVERIFY(previous.toDouble() >= current.toDouble());
            }
        }
        previous = current;
    }
}

void tst_SiteServer::unknownTopList()
{
    QCOMPARE(get(m_server.makerUrl(QStringLiteral("/api/videos/top?list=worst"))).status, 400);
    QCOMPARE(get(m_server.makerUrl(QStringLiteral("/api/videos/top"))).status, 400);
}

void tst_SiteServer::related()
{
    const QJsonObject first = m_catalog.at(0).toObject();
    const QString id = first.value(QStringLiteral("id")).toString();
    const Reply reply = get(m_server.makerUrl(QStringLiteral("/api/videos/related?v=") + id));
    QCOMPARE(reply.status, 200);
    QStringList ids;
    const QJsonArray records = entries(reply);
    for (const QJsonValue &value : records) {
        ids.append(value.toObject().value(QStringLiteral("id")).toString());
    }
    QStringList expected;
    const QJsonArray related = first.value(QStringLiteral("related")).toArray();
    for (const QJsonValue &value : related) {
        expected.append(value.toString());
    }
    QVERIFY(!expected.isEmpty());
    QCOMPARE(ids, expected);

    QCOMPARE(get(m_server.makerUrl(QStringLiteral("/api/videos/related?v=AAAAAAAAAAA"))).status,
             404);
    QCOMPARE(get(m_server.makerUrl(QStringLiteral("/api/videos/related?v=x'y"))).status, 400);
}

void tst_SiteServer::search_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("expectedIds");
    QTest::newRow("artist") << "mira solberg" << QStringList{"mS5oLb0Gx4E", "Ge2Xy5Ci7Lo"};
    QTest::newRow("any case") << "MIRA" << QStringList{"mS5oLb0Gx4E", "Ge2Xy5Ci7Lo"};
    QTest::newRow("title and tag") << "piano winter" << QStringList{"mS5oLb0Gx4E"};
    QTest::newRow("description") << "old mill" << QStringList{"Pn4Jv8Ad0Qm"};
    QTest::newRow("non-ASCII") << "ærø" << QStringList{"Ko6Nh3Bs8Uf"};
    QTest::newRow("nothing found") << "zzzz no such video" << QStringList{};
    QTest::newRow("blank") << "   " << QStringList{};
}

void tst_SiteServer::search()
{
    QFETCH(QString, query);
    QFETCH(QStringList, expectedIds);
    QUrl url = m_server.makerUrl(QStringLiteral("/api/videos/search"));
    url.setQuery(QUrlQuery{{QStringLiteral("q"), query}});
    const Reply reply = get(url);
    QCOMPARE(reply.status, 200);
    // An empty result is still a list, so the page can say that nothing was found.
    QVERIFY(QJsonDocument::fromJson(reply.body).object().value(QStringLiteral("entry")).isArray());
    QStringList ids;
    const QJsonArray records = entries(reply);
    for (const QJsonValue &value : records) {
        ids.append(value.toObject().value(QStringLiteral("id")).toString());
    }
    QCOMPARE(ids, expectedIds);
}

void tst_SiteServer::videoRecord()
{
    const Reply reply = get(m_server.makerUrl(QStringLiteral("/api/video?v=Ko6Nh3Bs8Uf")));
    QCOMPARE(reply.status, 200);
    const QJsonObject record = QJsonDocument::fromJson(reply.body).object();
    QCOMPARE(record.value(QStringLiteral("title")).toString(),
             QString::fromUtf8("Ærø Brass Band - Morning Tide"));
    QCOMPARE(record.value(QStringLiteral("duration")).toString(), QStringLiteral("6"));
    QCOMPARE(record.size(), 5);
    QCOMPARE(get(m_server.makerUrl(QStringLiteral("/api/video?v=AAAAAAAAAAA"))).status, 404);
    QCOMPARE(get(m_server.makerUrl(QStringLiteral("/api/video?v=short"))).status, 400);
}

void tst_SiteServer::lyricsService_data()
{
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("song");
    QTest::addColumn<QString>("d");
    QTest::addColumn<qint64>("l"); // -1: the right check number
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("marker"); // empty: neither marker may appear
    QTest::addColumn<QString>("lyricsStart");

    QTest::newRow("results form") << "nordlicht radio"
                                  << "harbour lights"
                                  << "quindarole" << qint64(-1) << 200 << "<Results>"
                                  << "The ferry hums a tune I know\nThe harbour lights";
    QTest::newRow("lyrics_body form") << "velvet orchard"
                                      << "slow tide"
                                      << "quindarole" << qint64(-1) << 200 << "<lyrics_body>"
                                      << "Slow tide, slow tide\nCarry the sand";
    QTest::newRow("any case") << "Mira Solberg"
                              << "Paper Boats"
                              << "quindarole" << qint64(-1) << 200 << "<lyrics_body>"
                              << "Folded from the morning news";
    QTest::newRow("markup in lyrics is escaped")
        << "mira solberg"
        << "glass mountains"
        << "quindarole" << qint64(-1) << 200 << "<Results>"
        << "I climbed the glass mountains\nIn shoes made of &lt;paper&gt; &amp; string";
    QTest::newRow("non-ASCII artist") << QString::fromUtf8("ærø brass band") << "morning tide"
                                      << "quindarole" << qint64(-1) << 200 << "<Results>"
                                      << "(instrumental)";
    QTest::newRow("nothing found") << "nobody"
                                   << "nothing"
                                   << "quindarole" << qint64(-1) << 200 << QString() << QString();
    // ab: 98, then 98 * 33 + 97.
    QTest::newRow("check number of ab")
        << "a"
        << "b"
        << "quindarole" << qint64(3331) << 200 << QString() << QString();
    QTest::newRow("wrong check number")
        << "nordlicht radio"
        << "harbour lights"
        << "quindarole" << qint64(12345) << 403 << QString() << QString();
    QTest::newRow("check number one off")
        << "a"
        << "b"
        << "quindarole" << qint64(3332) << 403 << QString() << QString();
    QTest::newRow("wrong product") << "nordlicht radio"
                                   << "harbour lights"
                                   << "someone" << qint64(-1) << 403 << QString() << QString();
}

void tst_SiteServer::lyricsService()
{
    QFETCH(QString, artist);
    QFETCH(QString, song);
    QFETCH(QString, d);
    QFETCH(qint64, l);
    QFETCH(int, status);
    QFETCH(QString, marker);
    QFETCH(QString, lyricsStart);

    // Built as the lyrics panel builds it: each value percent-encoded on its own.
    const quint32 check = l < 0 ? checkNumber(artist, song) : static_cast<quint32>(l);
    const QString query =
        QStringLiteral("artist=%1&song=%2&d=%3&l=%4")
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(artist)),
                 QString::fromLatin1(QUrl::toPercentEncoding(song)), d, QString::number(check));
    const Reply reply = get(QUrl::fromEncoded(
        (QStringLiteral("http://%1/lyrics/lyricssearch.aspx?").arg(m_server.makerAddress()) + query)
            .toLatin1()));
    QCOMPARE(reply.status, status);
    const QString body = QString::fromUtf8(reply.body);
    if (marker.isEmpty()) {
        QVERIFY2(!body.contains(QLatin1String("<Results>"), Qt::CaseInsensitive), qPrintable(body));
        QVERIFY2(!body.contains(QLatin1String("<lyrics_body>")), qPrintable(body));
        return;
    }
    QVERIFY2(body.contains(marker), qPrintable(body));
    const QString element = marker == QLatin1String("<Results>") ? QStringLiteral("Lyrics")
                                                                 : QStringLiteral("lyrics_body");
    const QRegularExpression content(QStringLiteral("<%1>(.*)</%1>").arg(element),
                                     QRegularExpression::DotMatchesEverythingOption);
    const QString lyrics = content.match(body).captured(1);
    QVERIFY2(lyrics.startsWith(lyricsStart), qPrintable(lyrics));
    QVERIFY(!lyrics.contains(QLatin1String("\r")));
}

void tst_SiteServer::lyricsWiki()
{
    const Reply home = get(m_server.makerUrl(QStringLiteral("/lyricswiki/")));
    QCOMPARE(home.status, 200);
    QVERIFY(home.body.contains("Lyrics Wiki"));
    const QRegularExpression link(QStringLiteral("href=\"(/lyricswiki/wiki/[^\"]+)\""));
    const QString path = link.match(QString::fromUtf8(home.body)).captured(1);
    QVERIFY(!path.isEmpty());
    const Reply page = get(
        QUrl::fromEncoded((QStringLiteral("http://") + m_server.makerAddress() + path).toLatin1()));
    QCOMPARE(page.status, 200);
    QVERIFY(page.body.contains("<br>"));
    QCOMPARE(get(m_server.makerUrl(QStringLiteral("/lyricswiki/wiki/Nobody:Nothing"))).status, 404);
}

void tst_SiteServer::conversionPage_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("offersAudio");
    QTest::newRow("with audio") << "http://127.0.0.1:8311/watch?v=hLx7Qm2Ta9c" << 200
                                << "Nordlicht Radio - Harbour Lights" << true;
    QTest::newRow("without audio") << "http://127.0.0.1:8311/watch?v=mS5oLb0Gx4E" << 200
                                   << "Mira Solberg - Glass Mountains" << false;
    QTest::newRow("unknown video")
        << "http://127.0.0.1:8311/watch?v=AAAAAAAAAAA" << 404 << "was not found" << false;
    QTest::newRow("no address") << QString() << 400 << "No video address" << false;
}

void tst_SiteServer::conversionPage()
{
    QFETCH(QString, url);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(bool, offersAudio);
    // The program appends the watch address unchanged, without percent-encoding.
    const Reply page = get(QUrl(QStringLiteral("http://%1/sonvara/video2mp3.php?url=%2")
                                    .arg(m_server.makerAddress(), url)));
    QCOMPARE(page.status, status);
    QVERIFY2(QString::fromUtf8(page.body).contains(text), page.body.constData());
    const QRegularExpression audioLink(QStringLiteral("href=\"(/sonvara/audio/[^\"]+\\.mp3)\""));
    const QString audioPath = audioLink.match(QString::fromUtf8(page.body)).captured(1);
    QCOMPARE(!audioPath.isEmpty(), offersAudio);
    if (offersAudio) {
        const Reply audio = get(m_server.makerUrl(audioPath));
        QCOMPARE(audio.status, 200);
        QCOMPARE(audio.header("content-type"), QByteArray("audio/mpeg"));
        // An MPEG audio frame starts with eleven set bits.
        QVERIFY(audio.body.size() > 1000);
        QCOMPARE(static_cast<unsigned char>(audio.body.at(0)), 0xFFu);
        QCOMPARE(static_cast<unsigned char>(audio.body.at(1)) & 0xE0u, 0xE0u);
    }
}

void tst_SiteServer::watchPages_data()
{
    QTest::addColumn<QString>("id");
    for (const QJsonValue &value : qAsConst(m_catalog)) {
        const QString id = value.toObject().value(QStringLiteral("id")).toString();
        QTest::newRow(qPrintable(id)) << id;
    }
}

void tst_SiteServer::watchPages()
{
    QFETCH(QString, id);
    const Reply page = get(m_server.videoUrl(QStringLiteral("/watch?v=") + id));
    QCOMPARE(page.status, 200);
    const QString html = QString::fromUtf8(page.body);

    // The raw form: percent-encoded addresses, \u0026 separators, the itag last in each entry.
    const QRegularExpression mapPattern(
        QStringLiteral("\"url_encoded_fmt_stream_map\": \"([^\"]*)\""));
    const QString map = mapPattern.match(html).captured(1);
    QVERIFY2(!map.isEmpty(), qPrintable(html));
    const QStringList rawEntries = map.split(QLatin1Char(','));
    for (const QString &entry : rawEntries) {
        QVERIFY2(
            QRegularExpression(QStringLiteral("^url=http%3A%2F%2F[^&]*(\\\\u0026[a-z_]+=[^&\\\\]*)*"
                                              "\\\\u0026itag=\\d+$"))
                .match(entry)
                .hasMatch(),
            qPrintable(entry));
    }

    // What the download analysis makes of it: four streams, each served in its container.
    const QMap<int, QString> streams = analyseWatchPage(html);
    QCOMPARE(streams.keys(), (QList<int>{5, 18, 22, 43}));
    const struct
    {
        int itag;
        const char *type;
        const char *file;
    } formats[] = {{5, "video/x-flv", "5.flv"},
                   {18, "video/mp4", "18.mp4"},
                   {22, "video/mp4", "22.mp4"},
                   {43, "video/webm", "43.webm"}};
    for (const auto &format : formats) {
        const QString address = streams.value(format.itag);
        QVERIFY2(address.startsWith(
                     QStringLiteral("http://%1/videoplayback?").arg(m_server.videoAddress())),
                 qPrintable(address));
        const Reply stream = get(QUrl(address));
        QCOMPARE(stream.status, 200);
        QCOMPARE(stream.header("content-type"), QByteArray(format.type));
        const QByteArray file = readMediaFile(id, QLatin1String(format.file));
        QVERIFY(!file.isEmpty());
        QCOMPARE(stream.header("content-length").toLongLong(), qint64(file.size()));
        QVERIFY(stream.body == file);
        switch (format.itag) {
        case 5:
            QVERIFY(file.startsWith("FLV"));
            break;
        case 43:
            QVERIFY(file.startsWith("\x1A\x45\xDF\xA3"));
            QVERIFY(file.left(64).contains("webm"));
            break;
        default:
            QCOMPARE(file.mid(4, 4), QByteArray("ftyp"));
        }
    }
}

void tst_SiteServer::rangedStream_data()
{
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("first"); // -1: counted from the end
    QTest::addColumn<qint64>("length");
    QTest::newRow("middle") << QByteArray("bytes=100-199") << 206 << qint64(100) << qint64(100);
    QTest::newRow("open end") << QByteArray("bytes=1000-") << 206 << qint64(1000) << qint64(-1);
    QTest::newRow("suffix") << QByteArray("bytes=-10") << 206 << qint64(-1) << qint64(10);
    QTest::newRow("past the end") << QByteArray("bytes=99999999-") << 416 << qint64(0) << qint64(0);
}

void tst_SiteServer::rangedStream()
{
    QFETCH(QByteArray, range);
    QFETCH(int, status);
    QFETCH(qint64, first);
    QFETCH(qint64, length);
    const QByteArray file = readMediaFile(QStringLiteral("hLx7Qm2Ta9c"), QStringLiteral("43.webm"));
    QVERIFY(file.size() > 2000);
    const Reply reply =
        get(m_server.videoUrl(QStringLiteral("/videoplayback?id=hLx7Qm2Ta9c&itag=43")), range);
    QCOMPARE(reply.status, status);
    if (status == 416) {
        QCOMPARE(reply.header("content-range"), "bytes */" + QByteArray::number(file.size()));
        return;
    }
    if (first < 0) {
        first = file.size() - length;
    }
    if (length < 0) {
        length = file.size() - first;
    }
    QCOMPARE(reply.header("content-length").toLongLong(), length);
    QCOMPARE(reply.header("content-range"), QStringLiteral("bytes %1-%2/%3")
                                                .arg(first)
                                                .arg(first + length - 1)
                                                .arg(file.size())
                                                .toLatin1());
    QVERIFY(reply.body == file.mid(first, length));
}

void tst_SiteServer::thumbnails()
{
    for (const QJsonValue &value : qAsConst(m_catalog)) {
        const QString id = value.toObject().value(QStringLiteral("id")).toString();
        const Reply reply = get(m_server.videoUrl(QStringLiteral("/vi/%1/default.jpg").arg(id)));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.header("content-type"), QByteArray("image/jpeg"));
        const QImage image = QImage::fromData(reply.body, "JPG");
        QVERIFY2(!image.isNull(), qPrintable(id));
        QCOMPARE(image.size(), QSize(320, 180));
    }
}

void tst_SiteServer::unknownIds_data()
{
    QTest::addColumn<bool>("videoSite");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::newRow("watch, unknown") << true << "/watch?v=AAAAAAAAAAA" << 404;
    QTest::newRow("watch, malformed") << true << "/watch?v=not-an-id" << 400;
    QTest::newRow("watch, missing") << true << "/watch" << 400;
    QTest::newRow("stream, unknown video")
        << true << "/videoplayback?id=AAAAAAAAAAA&itag=43" << 404;
    QTest::newRow("stream, unknown itag") << true << "/videoplayback?id=hLx7Qm2Ta9c&itag=99" << 404;
    QTest::newRow("stream, no itag") << true << "/videoplayback?id=hLx7Qm2Ta9c" << 404;
    QTest::newRow("thumbnail, unknown") << true << "/vi/AAAAAAAAAAA/default.jpg" << 404;
    QTest::newRow("audio, unknown") << false << "/sonvara/audio/AAAAAAAAAAA.mp3" << 404;
    QTest::newRow("audio, not offered") << false << "/sonvara/audio/mS5oLb0Gx4E.mp3" << 404;
}

void tst_SiteServer::unknownIds()
{
    QFETCH(bool, videoSite);
    QFETCH(QString, path);
    QFETCH(int, status);
    const Reply reply = get(videoSite ? m_server.videoUrl(path) : m_server.makerUrl(path));
    QCOMPARE(reply.status, status);
    QVERIFY(!reply.body.contains("url_encoded_fmt_stream_map"));
}

void tst_SiteServer::playerInfo_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("errorCode"); // 0: playable
    QTest::newRow("playable") << "hLx7Qm2Ta9c" << 200 << 0;
    QTest::newRow("unknown") << "AAAAAAAAAAA" << 404 << 100;
    QTest::newRow("not embeddable") << "bW1-Fe7Hr3K" << 403 << 101;
    QTest::newRow("malformed") << "x" << 400 << 2;
}

void tst_SiteServer::playerInfo()
{
    QFETCH(QString, id);
    QFETCH(int, status);
    QFETCH(int, errorCode);
    const Reply reply = get(m_server.videoUrl(QStringLiteral("/player_api/video_info?v=") + id));
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.header("access-control-allow-origin"), QByteArray("*"));
    const QJsonObject info = QJsonDocument::fromJson(reply.body).object();
    if (errorCode) {
        QCOMPARE(info.value(QStringLiteral("errorcode")).toInt(), errorCode);
        return;
    }
    const QJsonArray streams = info.value(QStringLiteral("streams")).toArray();
    QSet<int> itags;
    for (const QJsonValue &stream : streams) {
        itags.insert(stream.toObject().value(QStringLiteral("itag")).toInt());
    }
    QCOMPARE(itags, (QSet<int>{5, 18, 22, 43}));
}

void tst_SiteServer::hostedPages_data()
{
    QTest::addColumn<bool>("videoSite");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("mustContain");
    QTest::newRow("player page") << false << "/sonvara/ytplayer_simple.html"
                                 << "text/html"
                                 << "ytplayer_simple.js";
    QTest::newRow("list page") << false << "/sonvara/yt_videos.html"
                               << "text/html"
                               << "yt_videos.js";
    QTest::newRow("site config") << false << "/sonvara/site-config.js"
                                 << "application/javascript"
                                 << "videoSite";
    QTest::newRow("player API") << true << "/iframe_api"
                                << "application/javascript"
                                << "onYouTubeIframeAPIReady";
    QTest::newRow("video site home") << true << "/"
                                     << "text/html"
                                     << "/watch?v=hLx7Qm2Ta9c";
}

void tst_SiteServer::hostedPages()
{
    QFETCH(bool, videoSite);
    QFETCH(QString, path);
    QFETCH(QString, type);
    QFETCH(QString, mustContain);
    const Reply reply = get(videoSite ? m_server.videoUrl(path) : m_server.makerUrl(path));
    QCOMPARE(reply.status, 200);
    QVERIFY2(reply.header("content-type").startsWith(type.toLatin1()),
             reply.header("content-type").constData());
    QVERIFY(QString::fromUtf8(reply.body).contains(mustContain));
    // Placeholders are filled in with the addresses the server really listens on.
    QVERIFY(!reply.body.contains("{{"));
    if (path.endsWith(QLatin1String(".js")) || path == QLatin1String("/iframe_api")) {
        QVERIFY(QString::fromUtf8(reply.body).contains(m_server.videoAddress()));
    }
}

void tst_SiteServer::pathTraversal_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("dot dot") << QByteArray("/sonvara/../../server/data/catalog.json");
    QTest::newRow("encoded dot dot")
        << QByteArray("/sonvara/%2e%2e/%2e%2e/server/data/catalog.json");
    QTest::newRow("encoded slash") << QByteArray("/sonvara/..%2f..%2fserver%2fdata%2fcatalog.json");
    QTest::newRow("system file") << QByteArray("/sonvara/../../../../../../etc/passwd");
    QTest::newRow("backslash") << QByteArray("/sonvara/..\\..\\server\\data\\catalog.json");
    QTest::newRow("audio") << QByteArray("/sonvara/audio/../../../server/data/catalog.json");
}

void tst_SiteServer::pathTraversal()
{
    QFETCH(QByteArray, target);
    for (int port : {m_server.makerPort(), m_server.videoPort()}) {
        const Reply reply = rawGet(port, target);
        QVERIFY2(reply.status >= 400, target.constData());
        QVERIFY(!reply.body.contains("\"videos\""));
        QVERIFY(!reply.body.contains("root:"));
    }
}

void tst_SiteServer::requestLog()
{
    QProcess &process = m_server.process();
    process.readAllStandardOutput();
    QCOMPARE(get(m_server.makerUrl(QStringLiteral("/api/video?v=Ge2Xy5Ci7Lo"))).status, 200);
    QCOMPARE(get(m_server.videoUrl(QStringLiteral("/watch?v=AAAAAAAAAAA"))).status, 404);
    // Lines of earlier tests' requests may still arrive first: wait for the two of this one.
    QByteArray log;
    const auto readLog = [&] {
        log += process.readAllStandardOutput();
        return log.contains("maker 127.0.0.1 GET /api/video?v=Ge2Xy5Ci7Lo 200\n") &&
               log.contains("video_site 127.0.0.1 GET /watch?v=AAAAAAAAAAA 404\n");
    };
    QTRY_VERIFY2(readLog(), log.constData());
}

void tst_SiteServer::startupErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("maker port in use")
        << QStringList{"--maker-port", QString::number(m_server.makerPort()), "--video-port", "0"}
        << "already in use";
    QTest::newRow("video port in use")
        << QStringList{"--maker-port", "0", "--video-port", QString::number(m_server.videoPort())}
        << "already in use";
    QTest::newRow("missing data folder") << QStringList{"--data", "/nonexistent/site-data"}
                                         << "data folder not found: /nonexistent/site-data";
    QTest::newRow("bad port") << QStringList{"--maker-port", "70000"} << "not a port number";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "unknown option";
}

void tst_SiteServer::startupErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess process;
    process.start(SiteServerProcess::program(), arguments);
    QVERIFY(process.waitForStarted(5000));
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        QFAIL("site-server kept running");
    }
    QVERIFY(process.exitCode() != 0);
    const QString error = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
}

QTEST_GUILESS_MAIN(tst_SiteServer)
#include "tst_siteserver.moc"
