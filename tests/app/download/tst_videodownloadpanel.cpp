#include "companionlink.h"
#include "dialoganswerer.h"
#include "download/videodownloadpanel.h"
#include "download/videohtmlinfo.h"
#include "fakehttpserver.h"
#include "format.h"
#include "ipcsocket.h"
#include "json.h"
#include "siteserverprocess.h"
#include "testfiles.h"

#include <httplib.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

#include <atomic>
#include <chrono>
#include <thread>

using QT_EXT::QHttpExt;

namespace {

DownloadItem makeItem(const QString &folder, const QString &title, const QString &url)
{
    DownloadItem item;
    item.videoId = QStringLiteral("Ab_1-x");
    item.folder = folder;
    item.title = title;
    item.thumbnail = QStringLiteral("http://thumbs.example/Ab_1-x.jpg");
    item.format = QSharedPointer<FormatInfo>::create();
    item.format->itag = 22;
    item.format->name = QStringLiteral("MP4 720");
    item.format->extension = QStringLiteral(".mp4");
    item.format->url = url;
    return item;
}

// Accepts InputDlg, optionally with another path, and keeps the path it proposed.
DialogAnswerer::Handler acceptPath(QString *proposed, const QString &edited = QString())
{
    return [=](QWidget *dialog) {
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("teFilename"));
        if (proposed)
            *proposed = edit->text();
        if (!edited.isNull())
            edit->setText(edited);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    };
}

// Serves one stream: the first half at once; the rest once released, or never when cut (the
// connection is closed in the middle of the body).
class StreamServer
{
public:
    explicit StreamServer(int size) : body(testPattern(size))
    {
        server.setHandler([this](const httplib::Request &, httplib::Response &res) {
            res.set_content_provider(
                size_t(body.size()), "video/mp4",
                [this](size_t offset, size_t length, httplib::DataSink &sink) {
                    const size_t half = size_t(body.size() / 2);
                    if (offset < half)
                        return sink.write(body.constData() + offset, half - offset);
                    while (!release && !cut)
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    return !cut && sink.write(body.constData() + offset, length);
                });
        });
    }
    ~StreamServer() { release = true; }
    QString url() const { return server.url(QStringLiteral("/stream.mp4")).toString(); }

    const QByteArray body;
    std::atomic<bool> release{false};
    std::atomic<bool> cut{false};

private:
    FakeHttpServer server;
};

// What the panel reported, in order.
struct Reports
{
    explicit Reports(VideoDownloadPanel &panel)
    {
        QObject::connect(&panel, &VideoDownloadPanel::signal_downloadStarted, &panel,
                         [this] { events << QStringLiteral("started"); });
        QObject::connect(
            &panel, &VideoDownloadPanel::signal_downloadProgress, &panel,
            [this](const QString &text) { events << QStringLiteral("progress ") + text; });
        QObject::connect(&panel, &VideoDownloadPanel::signal_downloadFinished, &panel,
                         [this](bool error) {
                             events << QStringLiteral("finished %1").arg(error);
                             ++finished;
                         });
        QObject::connect(&panel, &VideoDownloadPanel::signal_downloadStopped, &panel,
                         [this](const QString &id) { events << QStringLiteral("stopped ") + id; });
    }
    QStringList progress() const
    {
        QStringList texts;
        for (const QString &event : events) {
            if (event.startsWith(QLatin1String("progress ")))
                texts << event.mid(9);
        }
        return texts;
    }
    QStringList events;
    int finished = 0;
};

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class tst_VideoDownloadPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void form();
    void progress_data();
    void progress();
    void fileNameProposed_data();
    void fileNameProposed();
    void stopQuestion_data();
    void stopQuestion();
    void failureLeavesNoFile_data();
    void failureLeavesNoFile();
    void existingFileReplacedOnlyWhenComplete_data();
    void existingFileReplacedOnlyWhenComplete();
    void nameTakenDuringDownload();
    void longTitleDownloads_data();
    void longTitleDownloads();
    void fullDownloadFromSiteServer();

private:
    QTemporaryDir configDir;
    QString moviesDir;
};

void tst_VideoDownloadPanel::initTestCase()
{
    QVERIFY(configDir.isValid());
    // The movies location comes from the user's directory settings.
    moviesDir = configDir.filePath(QStringLiteral("Movies"));
    QVERIFY(writeFile(configDir.filePath(QStringLiteral("user-dirs.dirs")),
                      "XDG_VIDEOS_DIR=\"" + moviesDir.toUtf8() + "\"\n"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configDir.path()));
    QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation), moviesDir);

    QCoreApplication::setOrganizationName(QStringLiteral("QuorbelTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_videodownloadpanel"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configDir.path());
}

void tst_VideoDownloadPanel::form()
{
    VideoDownloadPanel panel;
    QCOMPARE(panel.objectName(), QStringLiteral("VideoDownloadPanel"));
    QCOMPARE(panel.windowTitle(), QStringLiteral("Form"));
    QCOMPARE(panel.size(), QSize(183, 300));
    auto *bar = panel.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    auto *status = panel.findChild<QLabel *>(QStringLiteral("lblStatus"));
    auto *button = panel.findChild<QPushButton *>(QStringLiteral("btDownload"));
    QVERIFY(bar && status && button && panel.findChild<QListWidget *>(QStringLiteral("lwFiles")));
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 0);
    QVERIFY(bar->isHidden());
    QCOMPARE(status->text(), QString());
    QCOMPARE(button->text(), QStringLiteral("Stop"));
    QVERIFY(!button->isEnabled());
    QVERIFY(!panel.isDownloading());
}

void tst_VideoDownloadPanel::progress_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<bool>("shown");
    const qint64 gib = qint64(1) << 30;
    QTest::newRow("total of 1024 bytes") << qint64(500) << qint64(1024) << false;
    QTest::newRow("unknown total") << qint64(500) << qint64(-1) << false;
    QTest::newRow("nothing received") << qint64(0) << qint64(5000) << false;
    QTest::newRow("total of 1025 bytes") << qint64(512) << qint64(1025) << true;
    QTest::newRow("megabytes") << qint64(3 << 20) << qint64(10 << 20) << true;
    QTest::newRow("past 2 GiB") << 3 * gib << 5 * gib << true;
    QTest::newRow("past 4 GiB") << 5 * gib + 12345 << 6 * gib << true;
    QTest::newRow("terabytes") << 3000 * gib << 4000 * gib << true;
}

void tst_VideoDownloadPanel::progress()
{
    QFETCH(qint64, received);
    QFETCH(qint64, total);
    QFETCH(bool, shown);

    VideoDownloadPanel panel;
    Reports reports(panel);
    auto *bar = panel.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    auto *status = panel.findChild<QLabel *>(QStringLiteral("lblStatus"));
    panel.slot_readProgress(received, total);
    if (!shown) {
        QCOMPARE(reports.events, QStringList());
        QCOMPARE(status->text(), QString());
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), 0);
        return;
    }
    QString text;
    QT_EXT::formatSize(quint64(received), text);
    QString totalText;
    QT_EXT::formatSize(quint64(total), totalText);
    text += QLatin1Char('/') + totalText;
    QCOMPARE(reports.events, QStringList{QStringLiteral("progress ") + text});
    QCOMPARE(status->text(), text);
    QCOMPARE(panel.statusText(), text);
    QVERIFY(bar->maximum() > 0);
    QVERIFY(bar->value() >= 0 && bar->value() <= bar->maximum());
    if (total <= std::numeric_limits<int>::max()) {
        QCOMPARE(bar->maximum(), int(total));
        QCOMPARE(bar->value(), int(received));
    } else {
        QVERIFY(qAbs(double(bar->value()) / bar->maximum() - double(received) / total) < 1e-6);
    }
}

void tst_VideoDownloadPanel::fileNameProposed_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("folderExists");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<int>("continueAnswer"); // to "File already exists", or 0 when not asked
    QTest::addColumn<QString>("proposed");   // relative to the folder; empty: no dialog
    QTest::newRow("cleaned title") << "a:b/c?" << true << QStringList() << 0 << "a-b-c-.mp4";
    QTest::newRow("taken name, continue")
        << "x" << true << QStringList{"x.mp4", "x_1.mp4"} << int(QMessageBox::Yes) << "x_2.mp4";
    QTest::newRow("taken name, do not continue")
        << "x" << true << QStringList{"x.mp4"} << int(QMessageBox::No) << "";
    QTest::newRow("missing folder: movies location")
        << "x" << false << QStringList() << 0 << "x.mp4";
}

void tst_VideoDownloadPanel::fileNameProposed()
{
    QFETCH(QString, title);
    QFETCH(bool, folderExists);
    QFETCH(QStringList, existing);
    QFETCH(int, continueAnswer);
    QFETCH(QString, proposed);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = folderExists ? dir.path() : dir.filePath(QStringLiteral("missing"));
    const QString expectedFolder = folderExists ? dir.path() : moviesDir;
    for (const QString &name : existing)
        QVERIFY(writeFile(dir.filePath(name), "old"));

    VideoDownloadPanel panel;
    Reports reports(panel);
    DialogAnswerer answerer;
    if (continueAnswer)
        answerer.click(QMessageBox::StandardButton(continueAnswer));
    QString shown;
    if (!proposed.isEmpty())
        answerer.handle([&shown](QWidget *dialog) {
            shown = dialog->findChild<QLineEdit *>(QStringLiteral("teFilename"))->text();
            qobject_cast<QDialog *>(dialog)->reject();
        });
    QVERIFY(!panel.startDownload(makeItem(folder, title, QStringLiteral("http://127.0.0.1:1/s"))));

    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(answerer.answered(), answerer.seen().size());
    if (continueAnswer)
        QCOMPARE(answerer.seen().first().text, QStringLiteral("File already exists. Continue?"));
    if (!proposed.isEmpty()) {
        QCOMPARE(answerer.seen().last().title, QStringLiteral("Change if needed"));
        QCOMPARE(shown, QDir(expectedFolder).filePath(proposed));
    }
    // Refused or cancelled: nothing reported, nothing written.
    QCOMPARE(reports.events, QStringList());
    QVERIFY(!panel.isDownloading());
    QCOMPARE(filesIn(dir.path()), existing);
}

void tst_VideoDownloadPanel::longTitleDownloads_data()
{
    QTest::addColumn<bool>("nameTaken");
    QTest::newRow("free name") << false;
    QTest::newRow("taken name: numbered") << true;
}

void tst_VideoDownloadPanel::longTitleDownloads()
{
    QFETCH(bool, nameTaken);
    // 100 Japanese characters are 300 bytes of UTF-8; a file name takes at most 255.
    const QString title(100, QChar(0x65E5));
    const QString fitting = QString(82, QChar(0x65E5)) + QStringLiteral(".mp4");
    const QString expected =
        nameTaken ? QString(81, QChar(0x65E5)) + QStringLiteral("_1.mp4") : fitting;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (nameTaken)
        QVERIFY(writeFile(dir.filePath(fitting), "old"));
    StreamServer server(64 * 1024);
    server.release = true;
    VideoDownloadPanel panel;
    Reports reports(panel);
    DialogAnswerer answerer;
    if (nameTaken)
        answerer.click(QMessageBox::Yes); // File already exists. Continue?
    QString proposed;
    answerer.handle(acceptPath(&proposed));
    QVERIFY(panel.startDownload(makeItem(dir.path(), title, server.url())));
    QTRY_COMPARE_WITH_TIMEOUT(reports.finished, 1, 10000);
    QCOMPARE(reports.events.last(), QStringLiteral("finished 0"));
    QCOMPARE(answerer.answered(), answerer.seen().size());
    QCOMPARE(proposed, QDir::toNativeSeparators(dir.filePath(expected)));
    QStringList files{expected};
    if (nameTaken)
        files.prepend(fitting);
    files.sort();
    QCOMPARE(filesIn(dir.path()), files);
    QCOMPARE(readFile(dir.filePath(expected)), server.body);
}

void tst_VideoDownloadPanel::stopQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("stops");
    QTest::newRow("Yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("No") << int(QMessageBox::No) << false;
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << false;
}

void tst_VideoDownloadPanel::stopQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, stops);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    StreamServer server(256 * 1024);
    VideoDownloadPanel panel;
    Reports reports(panel);
    DialogAnswerer answerer;
    answerer.handle(acceptPath(nullptr));
    QVERIFY(panel.startDownload(makeItem(dir.path(), QStringLiteral("x"), server.url())));
    QVERIFY(panel.isDownloading());
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("lblStatus"))->text(),
             QStringLiteral("Connecting..."));
    // Running, and the first half of the stream is in the partial file.
    QTRY_VERIFY(QFileInfo(dir.filePath(QStringLiteral("x.mp4.part"))).size() > 0);

    auto *button = panel.findChild<QPushButton *>(QStringLiteral("btDownload"));
    QVERIFY(button->isEnabled());
    answerer.click(QMessageBox::StandardButton(answer));
    if (stops)
        answerer.click(QMessageBox::Ok); // the engine's error box
    button->click();
    QCOMPARE(answerer.seen().at(1).text, QStringLiteral("Stop current download?"));
    QCOMPARE(answerer.seen().at(1).buttons,
             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

    const QString target = dir.filePath(QStringLiteral("x.mp4"));
    if (stops) {
        QCOMPARE(reports.finished, 1);
        QVERIFY(!panel.isDownloading());
        const QString canceled = QHttpExt::errorText(QNetworkReply::OperationCanceledError);
        QCOMPARE(answerer.seen().at(2).text, canceled);
        QCOMPARE(reports.events.mid(reports.events.size() - 3),
                 (QStringList{QStringLiteral("progress ") + canceled, QStringLiteral("finished 1"),
                              QStringLiteral("stopped Ab_1-x")}));
        QCOMPARE(filesIn(dir.path()), QStringList());
        QVERIFY(!button->isEnabled());
        QCOMPARE(panel.findChild<QListWidget *>(QStringLiteral("lwFiles"))->count(), 0);
        return;
    }
    QVERIFY(panel.isDownloading());
    QVERIFY(button->isEnabled());
    QCOMPARE(reports.finished, 0);
    server.release = true;
    QTRY_COMPARE(reports.finished, 1);
    QCOMPARE(reports.events.last(), QStringLiteral("finished 0"));
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(readFile(target), server.body);
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("x.mp4")});
}

void tst_VideoDownloadPanel::failureLeavesNoFile_data()
{
    QTest::addColumn<bool>("writeFailure");
    QTest::newRow("connection dropped mid-stream") << false;
    QTest::newRow("write failure") << true;
}

void tst_VideoDownloadPanel::failureLeavesNoFile()
{
    QFETCH(bool, writeFailure);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    StreamServer server(1 << 20);
    server.cut = !writeFailure;
    server.release = writeFailure;
    VideoDownloadPanel panel;
    Reports reports(panel);
    DialogAnswerer answerer;
    answerer.handle(acceptPath(nullptr));
    answerer.click(QMessageBox::Ok); // the engine's error box

    // Files of this process may grow to 64 KiB for the length of this one transfer.
    bool started = false;
    bool ended = false;
    {
        std::optional<FileSizeLimit> limit;
        if (writeFailure) {
            limit.emplace(64 * 1024);
            QVERIFY(limit->isActive());
        }
        started = panel.startDownload(makeItem(dir.path(), QStringLiteral("x"), server.url()));
        ended = started && QTest::qWaitFor([&] { return reports.finished > 0; }, 10000);
    }

    QVERIFY(started);
    QVERIFY(ended);
    const QString error = writeFailure ? QString::fromLocal8Bit(strerror(EFBIG))
                                       : QHttpExt::errorText(QNetworkReply::RemoteHostClosedError);
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen().at(1).text, error);
    QCOMPARE(reports.events.mid(reports.events.size() - 2),
             (QStringList{QStringLiteral("progress ") + error, QStringLiteral("finished 1")}));
    QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("lblStatus"))->text(),
             QStringLiteral("Download finished"));
    QVERIFY(panel.findChild<QProgressBar *>(QStringLiteral("progressBar"))->isHidden());
    QCOMPARE(filesIn(dir.path()), QStringList());
    QCOMPARE(panel.findChild<QListWidget *>(QStringLiteral("lwFiles"))->count(), 0);
}

void tst_VideoDownloadPanel::existingFileReplacedOnlyWhenComplete_data()
{
    QTest::addColumn<bool>("complete");
    QTest::newRow("complete") << true;
    QTest::newRow("connection dropped") << false;
}

void tst_VideoDownloadPanel::existingFileReplacedOnlyWhenComplete()
{
    QFETCH(bool, complete);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("x.mp4"));
    QVERIFY(writeFile(target, "old"));
    StreamServer server(256 * 1024);
    server.release = complete;
    server.cut = !complete;
    VideoDownloadPanel panel;
    Reports reports(panel);
    DialogAnswerer answerer;
    answerer.click(QMessageBox::Yes);             // File already exists. Continue?
    answerer.handle(acceptPath(nullptr, target)); // back to the taken name
    answerer.click(QMessageBox::Ok);              // Overwrite?
    if (!complete)
        answerer.click(QMessageBox::Ok); // the engine's error box
    QVERIFY(panel.startDownload(makeItem(dir.path(), QStringLiteral("x"), server.url())));
    QCOMPARE(answerer.seen().at(2).text,
             QStringLiteral("There already exists a file called %1 in the current directory. "
                            "Overwrite?")
                 .arg(target));
    QTRY_COMPARE(reports.finished, 1);
    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(reports.events.last(), QStringLiteral("finished %1").arg(!complete));
    QCOMPARE(readFile(target), complete ? server.body : QByteArray("old"));
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("x.mp4")});
}

void tst_VideoDownloadPanel::nameTakenDuringDownload()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    StreamServer server(256 * 1024);
    VideoDownloadPanel panel;
    Reports reports(panel);
    DialogAnswerer answerer;
    answerer.handle(acceptPath(nullptr));
    QVERIFY(panel.startDownload(makeItem(dir.path(), QStringLiteral("x"), server.url())));
    // Running, and the first half of the stream is in the partial file.
    QTRY_VERIFY(QFileInfo(dir.filePath(QStringLiteral("x.mp4.part"))).size() > 0);

    const QString target = dir.filePath(QStringLiteral("x.mp4"));
    QVERIFY(writeFile(target, "someone else's"));
    server.release = true;
    QTRY_COMPARE(reports.finished, 1);
    QCOMPARE(reports.events.last(), QStringLiteral("finished 0"));
    QCOMPARE(readFile(target), QByteArray("someone else's"));
    const QString renamed = dir.filePath(QStringLiteral("x_1.mp4"));
    QCOMPARE(readFile(renamed), server.body);
    QCOMPARE(filesIn(dir.path()),
             (QStringList{QStringLiteral("x.mp4"), QStringLiteral("x_1.mp4")}));
    auto *list = panel.findChild<QListWidget *>(QStringLiteral("lwFiles"));
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("x_1.mp4"));
    QCOMPARE(list->item(0)->toolTip(), renamed);
}

void tst_VideoDownloadPanel::fullDownloadFromSiteServer()
{
    SiteServerProcess server;
    QString error;
    QVERIFY2(server.start({}, error), qPrintable(error));
    QSettings().setValue(QStringLiteral("hosts/video_site"), server.videoAddress());

    const QString id = QStringLiteral("Ge2Xy5Ci7Lo");
    VideoHtmlInfo info;
    QSignalSpy ready(&info, &VideoHtmlInfo::signal_Ready);
    info.load(id);
    QVERIFY(ready.wait(10000));
    QVERIFY(info.formats().contains(22));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DownloadItem item;
    item.videoId = id;
    item.folder = dir.path();
    item.title = QStringLiteral("Solar Drift - Neon | Haze");
    item.thumbnail = QStringLiteral("http://%1/vi/%2/default.jpg").arg(server.videoAddress(), id);
    item.format = info.formats().value(22);

    VideoDownloadPanel panel;
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    Reports reports(panel);
    DialogAnswerer answerer;
    QString proposed;
    answerer.handle(acceptPath(&proposed));
    QVERIFY(panel.startDownload(item));
    QTRY_COMPARE_WITH_TIMEOUT(reports.finished, 1, 20000);
    QCOMPARE(reports.events.first(), QStringLiteral("started"));
    QCOMPARE(reports.events.last(), QStringLiteral("finished 0"));

    const QString target = dir.filePath(QStringLiteral("Solar Drift - Neon - Haze.mp4"));
    QCOMPARE(proposed, target);
    const QByteArray served =
        readFile(SiteServerProcess::mediaDir() + QLatin1Char('/') + id + QStringLiteral("/22.mp4"));
    QVERIFY(served.size() > 1024);
    QCOMPARE(readFile(target), served);
    QCOMPARE(filesIn(dir.path()), QStringList{QFileInfo(target).fileName()});
    QString size;
    QT_EXT::formatSize(quint64(served.size()), size);
    QCOMPARE(reports.progress().last(), size + QLatin1Char('/') + size);

    auto *list = panel.findChild<QListWidget *>(QStringLiteral("lwFiles"));
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QFileInfo(target).fileName());
    QCOMPARE(list->item(0)->toolTip(), target);

    // Ctrl and a double-click tell the companion about the file.
    QT_EXT::IPCSocket companion(nullptr, companionServerName);
    QVERIFY(companion.isListening());
    QT_EXT::IPCSocket sender(nullptr, QString());
    setCompanionSocket(&sender);
    QSignalSpy heard(&companion, &QT_EXT::IPCSocket::signal_commandReceived);
    const QPoint point = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, point);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, point);
    QVERIFY(heard.wait());
    setCompanionSocket(nullptr);
    QCOMPARE(heard.first().at(0).toUInt(), uint(PlayerNotification::DownloadedFile));
    const QVariantMap sent = QT_EXT::parseJson(heard.first().at(1).toString()).toMap();
    const QVariantMap expected{{QStringLiteral("title"), item.title},
                               {QStringLiteral("url"), target},
                               {QStringLiteral("thumbnail"), item.thumbnail}};
    QCOMPARE(sent, expected);
    QVERIFY2(server.stop(error), qPrintable(error));
}

QTEST_MAIN(tst_VideoDownloadPanel)
#include "tst_videodownloadpanel.moc"
