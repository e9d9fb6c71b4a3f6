#include "desktop.h"

#include <QDesktopServices>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QUrl>
#include <QWidget>
#include <QtTest>

// Stands in for the desktop's handlers, so that nothing is really opened.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class tst_Desktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void stripTags_data();
    void stripTags();
    void openUrl_data();
    void openUrl();
    void openLocalFile_data();
    void openLocalFile();
    void elideText_data();
    void elideText();
    void inlineImage();
    void bringToFront();

private:
    UrlRecorder recorder;
};

void tst_Desktop::initTestCase()
{
    for (const char *scheme : {"file", "http", "https"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "open");
}

void tst_Desktop::cleanupTestCase()
{
    for (const char *scheme : {"file", "http", "https"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void tst_Desktop::init()
{
    recorder.urls.clear();
}

void tst_Desktop::stripTags_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three words on three lines") << "one<br>two</br><i>three</i>"
                                                << "one\ntwo\nthree";
    QTest::newRow("plain text") << "no tags here"
                                << "no tags here";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("link") << "see <a href=\"https://example.test/x?a=1&b=2\">this</a> page"
                          << "see this page";
    QTest::newRow("upper-case BR is only a tag") << "a<BR>b"
                                                 << "ab";
    QTest::newRow("self-closing br is only a tag") << "a<br/>b"
                                                   << "ab";
    QTest::newRow("unclosed bracket stays") << "1 < 2 and 3"
                                            << "1 < 2 and 3";
    QTest::newRow("lone closing bracket stays") << "2 > 1"
                                                << "2 > 1";
    QTest::newRow("tag across lines") << "<p\nclass=\"x\">text</p>"
                                      << "text";
    QTest::newRow("nested brackets") << "<<b>>"
                                     << ">";
    QTest::newRow("entities untouched") << "<b>Tom &amp; Jerry</b>"
                                        << "Tom &amp; Jerry";
}

void tst_Desktop::stripTags()
{
    QFETCH(QString, text);
    QT_EXT::stripTags(text);
    QTEST(text, "expected");
}

void tst_Desktop::openUrl_data()
{
    QTest::addColumn<QString>("address");

    QTest::newRow("watch page") << "http://127.0.0.1:8311/watch?v=dQw4w9WgXcQ";
    QTest::newRow("https with fragment") << "https://example.test/a%20b/?q=1#top";
}

void tst_Desktop::openUrl()
{
    QFETCH(QString, address);
    QVERIFY(QT_EXT::openUrl(address));
    QCOMPARE(recorder.urls.size(), 1);
    QCOMPARE(recorder.urls.first(), QUrl(address));
    QCOMPARE(recorder.urls.first().toString(QUrl::FullyEncoded),
             QUrl(address).toString(QUrl::FullyEncoded));
}

void tst_Desktop::openLocalFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("localFile");

    // A Windows path is put after "file:///" as it stands.
    QTest::newRow("windows path") << "C:\\Videos\\My clip.mp4"
                                  << "file:///C:%5CVideos%5CMy%20clip.mp4"
                                  << "";
    QTest::newRow("windows forward slashes") << "D:/Music/Video folder"
                                             << "file:///D:/Music/Video%20folder"
                                             << "";
    QTest::newRow("posix path") << "/home/user/Videos/clip.mp4"
                                << "file:///home/user/Videos/clip.mp4"
                                << "/home/user/Videos/clip.mp4";
    // "#" and "?" are common in video titles and so in downloaded file names.
    QTest::newRow("posix path with # and ?") << "/tmp/Top #1? (live).mp4"
                                             << "file:///tmp/Top%20%231%3F%20(live).mp4"
                                             << "/tmp/Top #1? (live).mp4";
}

void tst_Desktop::openLocalFile()
{
    QFETCH(QString, path);
    QVERIFY(QT_EXT::openLocalFile(path));
    QCOMPARE(recorder.urls.size(), 1);
    const QUrl opened = recorder.urls.first();
    QCOMPARE(opened.scheme(), QStringLiteral("file"));
    QTEST(opened.toString(QUrl::FullyEncoded), "address");
    // A drive-letter path is a local file only on Windows.
    QFETCH(QString, localFile);
    if (!localFile.isEmpty())
        QCOMPARE(opened.toLocalFile(), localFile);
}

void tst_Desktop::elideText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QString>("expected");

    QTest::newRow("short enough") << "Title" << 10 << "Title";
    QTest::newRow("exact length") << "0123456789" << 10 << "0123456789";
    QTest::newRow("cut") << "0123456789A" << 10 << "0123456...";
    QTest::newRow("tiny limit") << "0123456789" << 2 << "..";
    QTest::newRow("zero") << "abc" << 0 << "";
}

void tst_Desktop::elideText()
{
    QFETCH(QString, text);
    QFETCH(int, maxLength);
    const QString result = QT_EXT::elideText(text, maxLength);
    QTEST(result, "expected");
    QVERIFY(result.length() <= qMax(0, maxLength));
}

void tst_Desktop::inlineImage()
{
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(2, 1, qRgba(0, 0, 255, 128));
    const QString html = QT_EXT::inlineImage(QPixmap::fromImage(image));

    const QRegularExpression form(
        QStringLiteral("^<img src=\"data:image/png;base64,([A-Za-z0-9+/=]+)\"/>$"));
    const QRegularExpressionMatch match = form.match(html);
    QVERIFY2(match.hasMatch(), qPrintable(html));
    QImage decoded;
    QVERIFY(decoded.loadFromData(QByteArray::fromBase64(match.captured(1).toLatin1()), "PNG"));
    QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32), image);
}

void tst_Desktop::bringToFront()
{
    QWidget other;
    other.setGeometry(10, 10, 100, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    QWidget window;
    window.setGeometry(50, 50, 200, 100);
    auto *child = new QWidget(&window);
    QT_EXT::bringToFront(child);
    QVERIFY(window.isVisible());
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::activeWindow(), &window);

    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());
    QT_EXT::bringToFront(&window);
    QVERIFY(!window.isMinimized());
    QTRY_COMPARE(QApplication::activeWindow(), &window);
}

QTEST_MAIN(tst_Desktop)
#include "tst_desktop.moc"
