#include "apptranslations.h"
#include "commandline.h"
#include "mainwindow.h"
#include "qtsingleapplication.h"
#include "registryguard.h"

#include <QLocale>

#include <cstdio>

int main(int argc, char *argv[])
{
    const int answered = CommandLine::handle(argc, argv);
    if (answered >= 0)
        return answered;

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
