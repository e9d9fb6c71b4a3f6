// companion: a command-line peer of the video player's companion link.

#include "companionlink.h"
#include "ipcsocket.h"
#include "notificationprinter.h"
#include "playlistdriver.h"
#include "subcommands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <memory>

namespace {

const char *const description =
    R"(Speaks the companion link of MiniVideoPlayerSV as the radio application does.

Commands:
  listen                 listen on "Sonvara" and print every notification as
                         "<number> <name> [payload]", one per line; a socket file
                         removed under it is reported and listened on again
  playlist ID...         listen as above and play the videos one after another:
                         the first when the player is ready, the next on each
                         NextTrack; HistoryRequest is answered with the videos
                         played so far; ends after the last one (--loop: again)
  send N [TEXT]          send command number N (decimal digits) with TEXT
  play ID                PlayVideo (3): play the video ID
  play-json ID [FOLDER]  JsonCommand (20) "Play" with VideoID (and RecordingFolder)
  search TEXT            JsonCommand (20) "Search" with Title TEXT
  folder PATH            SetRecordingFolder (7)
  history [JSON]         ShowHistory (13); no JSON shows the player's own history
  bookmark-state yes|no  BookmarkState (25)
  json TEXT              JsonCommand (20) with the JSON object TEXT
  ignored TEXT           IgnoredText (11)
  quit                   Quit (2)

The JSON of history and json must parse; nothing is sent otherwise. A "|" inside
JSON strings is sent as \u007c. play, folder, bookmark-state and ignored refuse a
text with "|" (the player would drop it); send sends TEXT exactly as given.

Exit codes: 0 done, 1 the player is not running, 2 bad arguments,
3 "Sonvara" is served by another process.

The protocol, every command and notification, with examples:
docs/companion-link.md in the MiniVideoPlayerSV sources.)";

int fail(int code, const QString &message)
{
    QTextStream(stderr) << "companion: " << message << Qt::endl;
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("companion"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(description));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("what to do"));
    const QCommandLineOption countOption(QStringLiteral("count"),
                                         QStringLiteral("listen: stop after N notifications."),
                                         QStringLiteral("N"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("listen: stop after S seconds."),
                                           QStringLiteral("S"));
    const QCommandLineOption loopOption(QStringLiteral("loop"),
                                        QStringLiteral("playlist: start again after the last."));
    parser.addOption(countOption);
    parser.addOption(timeoutOption);
    parser.addOption(loopOption);
    parser.process(app);

    QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return fail(2, QStringLiteral("no command given; see companion --help"));
    const QString command = args.takeFirst();

    if (command == QLatin1String("listen") || command == QLatin1String("playlist")) {
        const bool playlist = command == QLatin1String("playlist");
        if (playlist && args.isEmpty())
            return fail(2, QStringLiteral("'playlist' needs at least one video id"));
        const int count = parser.value(countOption).toInt();
        const double timeout = parser.value(timeoutOption).toDouble();
        NotificationPrinter printer(count);
        if (!printer.isListening())
            return fail(3, QStringLiteral("cannot listen on \"%1\": another process serves it")
                               .arg(companionServerName));
        QObject::connect(&printer, &NotificationPrinter::finished, &app,
                         [] { QCoreApplication::exit(0); });
        std::unique_ptr<PlaylistDriver> driver;
        if (playlist) {
            driver = std::make_unique<PlaylistDriver>(&printer, args, parser.isSet(loopOption));
            QObject::connect(driver.get(), &PlaylistDriver::finished, &app,
                             [] { QCoreApplication::exit(0); });
        }
        if (timeout > 0)
            QTimer::singleShot(int(timeout * 1000), &app, [] { QCoreApplication::exit(0); });
        return app.exec();
    }

    CompanionCommandText cmd;
    QString error;
    if (!commandForSubcommand(command, args, &cmd, &error))
        return fail(2, error + QStringLiteral("; see companion --help"));

    QT_EXT::IPCSocket sender(nullptr, QString());
    if (!sender.sendCommand(cmd.number, cmd.payload, playerServerName))
        return fail(1, QStringLiteral("MiniVideoPlayerSV is not running (nobody listens on \"%1\")")
                           .arg(playerServerName));
    return 0;
}
