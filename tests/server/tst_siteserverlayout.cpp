// An installed site-server (<prefix>/bin beside <prefix>/share/minivideoplayersv) reads its
// pages, catalog and media there; a copy without that folder falls back to the checkout.

#include "siteserverprocess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString installedTitle = QStringLiteral("Installed copy - Only Here");
const QByteArray pageMarker = "<!-- the installed player page -->";
const QByteArray thumbnailMarker = "installed thumbnail bytes";

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Copies the built site-server into <root>/usr/bin.
QString copyProgram(const QDir &root)
{
    const QString program = root.filePath(QStringLiteral("usr/bin/site-server"));
    QDir().mkpath(QFileInfo(program).absolutePath());
    if (!QFile::copy(SiteServerProcess::program(), program))
        return QString();
    return program;
}

QStringList mediaPlanTitles(const QString &program)
{
    QProcess process;
    process.start(program, {QStringLiteral("--media-plan")});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {QStringLiteral("failed: %1")
                    .arg(QString::fromLocal8Bit(process.readAllStandardError()))};
    QStringList titles;
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines)
        titles << line.section(QLatin1Char('\t'), 5);
    return titles;
}

} // namespace

class tst_SiteServerLayout : public QObject
{
    Q_OBJECT

private slots:
    void installedCopyReadsItsDataFolder();
    void copyWithoutDataFolderReadsTheCheckout();

private:
    QByteArray get(const QString &url, int *status);
    QNetworkAccessManager m_network;
};

QByteArray tst_SiteServerLayout::get(const QString &url, int *status)
{
    QNetworkReply *reply = m_network.get(QNetworkRequest(QUrl(url)));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(10000);
    *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

void tst_SiteServerLayout::installedCopyReadsItsDataFolder()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir dir(root.path());
    const QString program = copyProgram(dir);
    QVERIFY(!program.isEmpty());
    const QDir share(dir.filePath(QStringLiteral("usr/share/minivideoplayersv")));

    // A catalog of one video, renamed, so that its origin shows.
    QFile catalogFile(SiteServerProcess::dataDir() + QStringLiteral("/catalog.json"));
    QVERIFY(catalogFile.open(QIODevice::ReadOnly));
    QJsonObject catalog = QJsonDocument::fromJson(catalogFile.readAll()).object();
    QJsonObject video = catalog.value(QStringLiteral("videos")).toArray().first().toObject();
    const QString id = video.value(QStringLiteral("id")).toString();
    video.insert(QStringLiteral("title"), installedTitle);
    video.insert(QStringLiteral("related"), QJsonArray());
    catalog.insert(QStringLiteral("videos"), QJsonArray{video});
    QVERIFY(writeFile(share.filePath(QStringLiteral("data/catalog.json")),
                      QJsonDocument(catalog).toJson()));
    QVERIFY(
        writeFile(share.filePath(QStringLiteral("web/sonvara/ytplayer_simple.html")), pageMarker));
    QVERIFY(QDir().mkpath(share.filePath(QStringLiteral("web/videosite"))));
    QVERIFY(QFile::copy(QStringLiteral(WEB_DIR "/videosite/iframe_api.js"),
                        share.filePath(QStringLiteral("web/videosite/iframe_api.js"))));
    QVERIFY(
        writeFile(share.filePath(QStringLiteral("media/%1/default.jpg").arg(id)), thumbnailMarker));

    QCOMPARE(mediaPlanTitles(program), QStringList{installedTitle});

    QProcess server;
    server.start(program, {QStringLiteral("--maker-port"), QStringLiteral("0"),
                           QStringLiteral("--video-port"), QStringLiteral("0")});
    QVERIFY(server.waitForStarted(5000));
    static const QRegularExpression ports(
        QStringLiteral("^site-server: maker [^ ]+:(\\d+) video_site [^ ]+:(\\d+)"));
    QRegularExpressionMatch match;
    QString line;
    for (QDeadlineTimer deadline(10000); !(match = ports.match(line)).hasMatch();) {
        QVERIFY2(!deadline.hasExpired(), "site-server did not report its ports");
        if (server.canReadLine())
            line = QString::fromUtf8(server.readLine());
        else
            server.waitForReadyRead(100);
    }
    const QString maker = QStringLiteral("http://127.0.0.1:%1").arg(match.captured(1));
    const QString videoSite = QStringLiteral("http://127.0.0.1:%1").arg(match.captured(2));

    int status = 0;
    QCOMPARE(get(maker + QStringLiteral("/sonvara/ytplayer_simple.html"), &status), pageMarker);
    QCOMPARE(status, 200);
    QCOMPARE(get(videoSite + QStringLiteral("/vi/%1/default.jpg").arg(id), &status),
             thumbnailMarker);
    QCOMPARE(status, 200);
    QVERIFY(get(maker + QStringLiteral("/api/video?v=%1").arg(id), &status)
                .contains(installedTitle.toUtf8()));

    server.terminate();
    QVERIFY(server.waitForFinished(30000));
    QCOMPARE(server.exitCode(), 0);
}

void tst_SiteServerLayout::copyWithoutDataFolderReadsTheCheckout()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = copyProgram(QDir(root.path()));
    QVERIFY(!program.isEmpty());

    QFile catalogFile(SiteServerProcess::dataDir() + QStringLiteral("/catalog.json"));
    QVERIFY(catalogFile.open(QIODevice::ReadOnly));
    QStringList checkoutTitles;
    const QJsonArray videos = QJsonDocument::fromJson(catalogFile.readAll())
                                  .object()
                                  .value(QStringLiteral("videos"))
                                  .toArray();
    for (const QJsonValue &video : videos)
        checkoutTitles << video.toObject().value(QStringLiteral("title")).toString();
    QVERIFY(checkoutTitles.size() > 1);
    QCOMPARE(mediaPlanTitles(program), checkoutTitles);
}

QTEST_GUILESS_MAIN(tst_SiteServerLayout)
#include "tst_siteserverlayout.moc"
