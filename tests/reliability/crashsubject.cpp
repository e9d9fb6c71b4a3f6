// The player's main window, started as the program starts it, which saves one stream into a
// folder and then waits to be killed:
//
//     crashsubject <stream address> <folder>
//
// Prints "downloading <partial file>" once the first bytes of the stream are written.

#include "dialoganswerer.h"
#include "download/downloaditem.h"
#include "download/formatinfo.h"
#include "download/videodownloadpanel.h"
#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: crashsubject <stream address> <folder>\n", stderr);
        return 2;
    }

    MainWindow window;
    window.show();

    DownloadItem item;
    item.videoId = QStringLiteral("crashTest01");
    item.folder = args.at(2);
    item.title = QStringLiteral("Crash Test");
    item.format = QSharedPointer<FormatInfo>::create();
    item.format->itag = 18;
    item.format->name = QStringLiteral("MP4 360");
    item.format->extension = QStringLiteral(".mp4");
    item.format->url = args.at(1);

    // The file-name dialog is confirmed as it stands.
    DialogAnswerer answerer;
    answerer.accept();
    if (!window.downloadPage()->startDownload(item)) {
        std::fputs("crashsubject: the download did not start\n", stderr);
        return 1;
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        const QFileInfoList files =
            QDir(item.folder).entryInfoList({QStringLiteral("*.part")}, QDir::Files);
        if (!files.isEmpty() && files.first().size() > 0) {
            std::printf("downloading %s\n", qPrintable(files.first().absoluteFilePath()));
            std::fflush(stdout);
            poll.stop();
        }
    });
    poll.start(10);
    return app.exec();
}
