// Test program: "serve ID" runs as the first copy and prints each message it receives;
// "send ID TEXT" delivers TEXT to the first copy and exits 0 when it was acknowledged.

#include "qtsingleapplication.h"

#include <QTextStream>

int main(int argc, char *argv[])
{
    if (argc < 3)
        return 2;
    const QString mode = QString::fromUtf8(argv[1]);
    QT_EXT::QtSingleApplication app(argc, argv, QString::fromUtf8(argv[2]));
    QTextStream out(stdout);

    if (mode == QLatin1String("send")) {
        if (argc < 4)
            return 2;
        return app.sendMessage(QString::fromUtf8(argv[3]), 5000) ? 0 : 1;
    }
    if (app.isRunning()) {
        out << "already running" << Qt::endl;
        return 3;
    }
    QObject::connect(&app, &QT_EXT::QtSingleApplication::messageReceived, &app,
                     [&out](const QString &message) {
                         out << "received: " << message << Qt::endl;
                         if (message == QLatin1String("quit"))
                             QCoreApplication::quit();
                     });
    out << "serving" << Qt::endl;
    return app.exec();
}
