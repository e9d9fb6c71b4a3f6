// libFuzzer target: a message of the companion link as its bytes arrive, through the receiving
// end's split into command and payload and the command dispatch, into the main window's handlers
// played on a stand-in page. Each handler does with a payload what the window does: the video
// and the search text reach the page as the script string arguments of the player and list
// pages; the page hands back what it received, which must be the text as sent.
#include "companioncommands.h"
#include "companionlink.h"
#include "ipcsocket.h"
#include "json.h"
#include "scriptargument.h"

#include <QApplication>
#include <QEventLoop>
#include <QStringDecoder>
#include <QVariant>
#include <QWebEnginePage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QString *currentMessage = nullptr;

// The UTF-16 code units of a text as the stand-in page reports them.
QString units(const QString &text)
{
    QStringList numbers;
    for (const QChar c : text)
        numbers << QString::number(c.unicode());
    return numbers.join(QLatin1Char(','));
}

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_companion: %s\nmessage: %s\n", what,
                 currentMessage ? currentMessage->toUtf8().constData() : "");
    std::abort();
}

// What the window's handlers did, in order.
struct Heard
{
    QStringList events;
    QString recordingFolder;
    QString requestedVideoId;
};

class StandIn
{
public:
    StandIn()
    {
        // The functions of the player and list pages that the window calls with a text; each
        // returns what it received, as its UTF-16 code units in numbers: the engine hands a
        // script's string result over in UTF-8, in which a lone surrogate cannot travel.
        QEventLoop loaded;
        QObject::connect(&page, &QWebEnginePage::loadFinished, &loaded, &QEventLoop::quit);
        page.setHtml(QStringLiteral(
            "<html><body><script>"
            "function units(s) {"
            " var u = []; for (var i = 0; i < s.length; ++i) u.push(s.charCodeAt(i));"
            " return u.join(','); }"
            "function loadPlayer(id) { return 'play:' + units(id); }"
            "function searchVideos(text) { return 'search:' + units(text); }"
            "</script></body></html>"));
        loaded.exec();
        QObject::connect(&commands, &CompanionCommands::signal_quit, [this]() {
            heard.events << QStringLiteral("quit");
        });
        QObject::connect(&commands, &CompanionCommands::signal_recordingFolder,
                         [this](const QString &folder) {
                             heard.recordingFolder = folder;
                             heard.events << QStringLiteral("folder:") + folder;
                         });
        QObject::connect(&commands, &CompanionCommands::signal_videoRequested,
                         [this](const QString &videoId) {
                             heard.requestedVideoId = videoId;
                             heard.events << QStringLiteral("video:") + videoId;
                         });
        QObject::connect(&commands, &CompanionCommands::signal_playRequested,
                         [this](bool evenWithoutId) { play(evenWithoutId); });
        QObject::connect(&commands, &CompanionCommands::signal_search,
                         [this](const QString &text) { search(text); });
        QObject::connect(&commands, &CompanionCommands::signal_showHistory,
                         [this](const QString &listJson) {
                             heard.events << QStringLiteral("history:") + listJson;
                         });
        QObject::connect(&commands, &CompanionCommands::signal_bookmarkState,
                         [this](bool bookmarked) {
                             heard.events << (bookmarked ? QStringLiteral("bookmarked")
                                                         : QStringLiteral("not bookmarked"));
                         });
    }

    void receive(const QString &message)
    {
        heard = Heard();
        uint cmd = 0;
        QString payload;
        if (QT_EXT::IPCSocket::splitMessage(message, cmd, payload))
            commands.dispatch(cmd, payload);
    }

    Heard heard;

private:
    void play(bool evenWithoutId)
    {
        heard.events << (evenWithoutId ? QStringLiteral("play") : QStringLiteral("play json"));
        if (!evenWithoutId && heard.requestedVideoId.isEmpty())
            return;
        const QString answer = run(QStringLiteral("loadPlayer('%1')")
                                       .arg(scriptStringArgument(heard.requestedVideoId)));
        check(answer == QStringLiteral("play:") + units(heard.requestedVideoId),
              "the player page did not receive the video id as sent");
    }

    void search(const QString &text)
    {
        heard.events << QStringLiteral("search:") + text;
        if (text.isEmpty())
            return;
        const QString answer =
            run(QStringLiteral("searchVideos('%1')").arg(scriptStringArgument(text)));
        check(answer == QStringLiteral("search:") + units(text),
              "the list page did not receive the search text as sent");
    }

    // The engine answers a script asynchronously: wait for its answer.
    QString run(const QString &script)
    {
        QString answer;
        bool answered = false;
        QEventLoop loop;
        page.runJavaScript(script, [&](const QVariant &result) {
            answer = result.toString();
            answered = true;
            loop.quit();
        });
        if (!answered)
            loop.exec();
        return answer;
    }

    QWebEnginePage page;
    CompanionCommands commands;
};

StandIn *standIn = nullptr;

// The events the dispatch must cause, worked out from the message on its own.
QStringList expectedEvents(const QString &message)
{
    if (message.count(QLatin1Char('|')) != 1)
        return {};
    const int bar = message.indexOf(QLatin1Char('|'));
    bool numeric = false;
    const uint cmd = message.left(bar).toUInt(&numeric, 10);
    const QString payload = message.mid(bar + 1);
    if (!numeric)
        return {};
    switch (cmd) {
    case uint(CompanionCommand::Quit):
        return {QStringLiteral("quit")};
    case uint(CompanionCommand::PlayVideo):
        return {QStringLiteral("video:") + payload, QStringLiteral("play")};
    case uint(CompanionCommand::SetRecordingFolder):
        return {QStringLiteral("folder:") + payload};
    case uint(CompanionCommand::ShowHistory):
        return {QStringLiteral("history:") + payload};
    case uint(CompanionCommand::BookmarkState):
        return {payload == QLatin1String("yes") ? QStringLiteral("bookmarked")
                                                : QStringLiteral("not bookmarked")};
    case uint(CompanionCommand::JsonCommand): {
        const QVariantMap command = QT_EXT::parseJson(payload).toMap();
        const QString name = command.value(QStringLiteral("Command")).toString();
        if (name == QLatin1String("Play")) {
            QStringList events;
            if (command.contains(QStringLiteral("RecordingFolder")))
                events << QStringLiteral("folder:") +
                              command.value(QStringLiteral("RecordingFolder")).toString();
            if (command.contains(QStringLiteral("VideoID")))
                events << QStringLiteral("video:") +
                              command.value(QStringLiteral("VideoID")).toString();
            return events << QStringLiteral("play json");
        }
        if (name == QLatin1String("Search") && command.contains(QStringLiteral("Title")))
            return {QStringLiteral("search:") + command.value(QStringLiteral("Title")).toString()};
        return {};
    }
    default:
        return {};
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Never destroyed: what Qt keeps until exit stays reachable and is no leak.
    new QApplication(*argc, *argv);
    standIn = new StandIn;
    // The page's first scripts make the caches that it keeps for good: made here, they are not
    // taken for leaks of the first inputs.
    for (const char *message : {"3|warm", "20|{\"Command\":\"Search\",\"Title\":\"warm\"}"})
        standIn->receive(QString::fromUtf8(message));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The receiving end reads the bytes of a connection as UTF-8 and takes only valid UTF-8 for
    // a command.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString message = decoder.decode(QByteArrayView(data, qsizetype(size)));
    const bool valid = !decoder.hasError();
    currentMessage = &message;

    standIn->heard = Heard();
    if (valid)
        standIn->receive(message);
    check(standIn->heard.events == (valid ? expectedEvents(message) : QStringList()),
          "the handlers heard other events than sent");
    currentMessage = nullptr;
    return 0;
}
