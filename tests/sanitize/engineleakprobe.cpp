// The self-check of scripts/test-sanitized: leaks an object of this program in the two places
// where Qt WebEngine calls back into it, a runJavaScript result callback and a slot the page
// calls through the web channel. The allocations' stacks pass through libQt6WebEngineCore (and
// libQt6WebChannel), so a leak suppression that matched those libraries as a whole would hide
// both; the script fails the run unless LeakSanitizer reports each of them.

#include "pagebridge.h"

#include <QApplication>
#include <QTimer>
#include <QWebEnginePage>

#include <cstdio>

namespace {

class LeakedObject : public QObject
{
public:
    explicit LeakedObject(int value) : m_value(value) {}

private:
    int m_value = 0;
};

// Called from the engine with a script's result; leaks on purpose.
void leakInScriptResult(const QVariant &result)
{
    new LeakedObject(result.toInt());
}

class LeakBridge : public QObject
{
    Q_OBJECT
public slots:
    // Called by the page through the web channel; leaks on purpose, then ends the program.
    void leak(int value)
    {
        new LeakedObject(value);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    LeakBridge bridge;
    QWebEnginePage page;
    QT_EXT::publishToPage(&page, QStringLiteral("LeakBridge"), &bridge);
    QObject::connect(&page, &QWebEnginePage::loadFinished, &app, [&page](bool ok) {
        if (!ok) {
            std::fprintf(stderr, "engine_leak_probe: the page did not load\n");
            QCoreApplication::exit(2);
            return;
        }
        page.runJavaScript(QStringLiteral("6 * 7"), &leakInScriptResult);
        // The bridge appears once the channel has answered.
        page.runJavaScript(QStringLiteral("(function call() {"
                                          "  if (window.LeakBridge) window.LeakBridge.leak(7);"
                                          "  else setTimeout(call, 10);"
                                          "})()"));
    });
    QTimer::singleShot(60000, &app, [] {
        std::fprintf(stderr, "engine_leak_probe: the page never called the bridge\n");
        QCoreApplication::exit(3);
    });
    page.setHtml(QStringLiteral("<!DOCTYPE html><html><body>leak probe</body></html>"));
    return app.exec();
}

#include "engineleakprobe.moc"
