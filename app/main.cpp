#include "mainwindow.h"
#include "qtsingleapplication.h"
#include "registryguard.h"

int main(int argc, char *argv[])
{
    QT_EXT::QtSingleApplication app(argc, argv);
    if (app.sendMessage(QStringLiteral("Wake up!"), 5000))
        return 0;

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
