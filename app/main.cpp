#include "apptranslations.h"
#include "commandline.h"
#include "mainwindow.h"
#include "qtsingleapplication.h"
#include "registryguard.h"

#include <QLocale>
#include <QLoggingCategory>

#include <cstdio>

int main(int argc, char *argv[])
{
    const int answered = CommandLine::handle(argc, argv);
    if (answered >= 0)
        return answered;

    // Qt WebEngine draws through OpenGL contexts shared with the application's; it must be
    // asked for before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Where no OpenGL is to be had (a server without a display), Qt WebEngine reports its whole
    // graphics set-up as information at every start; QT_LOGGING_RULES can still ask for it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QT_EXT::QtSingleApplication app(argc, argv);
    if (app.sendMessage(QStringLiteral("Wake up!"), 5000)) {
        std::fputs("MiniVideoPlayerSV: already running; the running copy was woken\n", stderr);
        return 0;
    }

    // Before any window: every text a widget takes at its construction is translated then.
    installTranslations(QLocale::system());

    // Qt writes registry keys of its own only on Windows.
#ifdef Q_OS_WIN
    installRegistryGuard();
#endif

    int exitCode = 0;
    {
        MainWindow window;
        window.show();
        app.setActivationWindow(&window, true);
        QObject::connect(&app, &QT_EXT::QtSingleApplication::messageReceived, &window,
                         &MainWindow::slot_oneInstance);
        exitCode = app.exec();
    }
    return exitCode;
}
