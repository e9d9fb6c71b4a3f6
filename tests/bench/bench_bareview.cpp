// The yardstick of tests/bench/webengine-cost: a bare Qt WebEngine view that loads one address
// and, given a video id, plays that video through the player page the way the program does
// (the page's loadPlayer('<id>') by script, 1000 ms after the load, as the program runs the calls
// that wait for its page). No code of the program, no web channel: what the engine alone costs for
// the same page and stream.
//
//   bench_bareview URL [VIDEO_ID [DELAY_MS]]
//
// DELAY_MS (default 1000) puts the call later, so that the page can be measured at rest first.
//
// Prints one line for each of these moments (the script that measures reads them):
//   bench_bareview: loaded <ms>    the first loadFinished(true), ms since main() began
//   bench_bareview: playing <ms>   the video element of the page started playing
//   bench_bareview: ended <ms>     it played to its end
// A failed load prints "bench_bareview: load failed" and waits for a later load (the page may
// be reloaded by its own script). Runs until it is ended by a signal.
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cstdio>

namespace {

// Prints one line at once, so a reader on a pipe sees it when it happens.
void say(const char *what, qint64 ms)
{
    std::printf("bench_bareview: %s %lld\n", what, static_cast<long long>(ms));
    std::fflush(stdout);
}

// Plays the video and reports its start and end through the page title: the page's own script
// sets no title, and a title change reaches the view without any channel.
QString playScript(const QString &videoId)
{
    return QStringLiteral(
               "(function () {"
               " function mark(text) { return function () { document.title = text; }; }"
               " document.addEventListener('playing', mark('bench:playing'), true);"
               " document.addEventListener('ended', mark('bench:ended'), true);"
               "})();"
               "loadPlayer('%1');")
        .arg(videoId);
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();

    if (argc < 2 || argc > 4) {
        std::fputs("usage: bench_bareview URL [VIDEO_ID [DELAY_MS]]\n", stderr);
        return 2;
    }
    const QUrl url(QString::fromLocal8Bit(argv[1]), QUrl::StrictMode);
    const QString videoId = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    bool delayOk = true;
    const int delayMs = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt(&delayOk) : 1000;
    // The id goes into a script between apostrophes: only the characters of a video id.
    static const QRegularExpression idPattern(QStringLiteral("^[A-Za-z0-9_-]+$"));
    if (!url.isValid() || (argc > 2 && !idPattern.match(videoId).hasMatch()) || !delayOk ||
        delayMs < 0) {
        std::fputs("bench_bareview: give an address and, optionally, a video id (letters, digits,"
                   " '_' and '-') and a delay in ms\n",
                   stderr);
        return 2;
    }

    // As the program starts: OpenGL contexts shared before the application object, the engine's
    // graphics report left out.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QApplication app(argc, argv);

    QWebEngineView view;
    // The size of the program's main window as it first opens.
    view.resize(586, 414);
    // The program's player page starts videos by script, without a click in the page.
    view.settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);

    bool loaded = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, &view, [&](bool ok) {
        if (!ok) {
            std::puts("bench_bareview: load failed");
            std::fflush(stdout);
            return;
        }
        if (loaded)
            return;
        loaded = true;
        say("loaded", sinceStart.elapsed());
        if (!videoId.isEmpty()) {
            QTimer::singleShot(delayMs, &view,
                               [&]() { view.page()->runJavaScript(playScript(videoId)); });
        }
    });
    QObject::connect(&view, &QWebEngineView::titleChanged, &view, [&](const QString &title) {
        if (title == QLatin1String("bench:playing"))
            say("playing", sinceStart.elapsed());
        else if (title == QLatin1String("bench:ended"))
            say("ended", sinceStart.elapsed());
    });

    view.load(url);
    view.show();
    return app.exec();
}
