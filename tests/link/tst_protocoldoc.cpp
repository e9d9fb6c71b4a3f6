// docs/companion-link.md against the code: its tables of commands, notifications, server names,
// timings and JSON commands say what the code does, and every number the code knows is in them.
// A number, a name or a time changed on either side makes this fail.

#include "companioncommands.h"
#include "companionlink.h"
#include "companionnotifier.h"
#include "ipcsocket.h"
#include "pages/appbrowser.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QMetaMethod>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

namespace {

using Table = QList<QStringList>; // rows of cells; the header row and the rule are left out

// The tables of each "## " or "### " section, by the section's heading text.
QMap<QString, QList<Table>> tablesByHeading(const QString &markdown)
{
    QMap<QString, QList<Table>> tables;
    QString heading;
    bool inTable = false;
    bool inCode = false;
    int lineInTable = 0;
    for (const QString &rawLine : markdown.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1String("```"))) {
            inCode = !inCode;
            inTable = false;
            continue;
        }
        if (inCode)
            continue;
        if (line.startsWith(QLatin1String("## ")) || line.startsWith(QLatin1String("### "))) {
            heading = line.section(QLatin1Char(' '), 1).trimmed();
            inTable = false;
            continue;
        }
        if (!line.startsWith(QLatin1Char('|'))) {
            inTable = false;
            continue;
        }
        if (!inTable) {
            tables[heading].append(Table());
            inTable = true;
            lineInTable = 0;
        }
        // Line 0 is the header, line 1 the rule under it.
        if (lineInTable++ < 2)
            continue;
        QStringList cells = line.mid(1, line.size() - 2).split(QLatin1Char('|'));
        for (QString &cell : cells) {
            cell = cell.trimmed();
            if (cell.size() > 1 && cell.startsWith(QLatin1Char('`')) &&
                cell.endsWith(QLatin1Char('`')))
                cell = cell.mid(1, cell.size() - 2);
        }
        tables[heading].last().append(cells);
    }
    return tables;
}

QString documentText()
{
    QFile file(QStringLiteral(PROTOCOL_DOC));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// The one table of a section; an empty table when the section has none or several.
Table sectionTable(const QString &heading)
{
    const QList<Table> tables = tablesByHeading(documentText()).value(heading);
    return tables.size() == 1 ? tables.first() : Table();
}

} // namespace

Q_DECLARE_METATYPE(std::function<QString(uint)>)

class tst_ProtocolDoc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void numbersAndNames_data();
    void numbersAndNames();
    void serverNames();
    void timings();
    void jsonCommands();
    void readerFindsChanges_data();
    void readerFindsChanges();
};

void tst_ProtocolDoc::initTestCase()
{
    QVERIFY2(!documentText().isEmpty(), PROTOCOL_DOC " is missing or empty");
}

void tst_ProtocolDoc::numbersAndNames_data()
{
    QTest::addColumn<QString>("heading");
    QTest::addColumn<std::function<QString(uint)>>("nameOf");

    QTest::newRow("CompanionCommand") << QStringLiteral("Commands to the player")
                                      << std::function<QString(uint)>(companionCommandName);
    QTest::newRow("PlayerNotification") << QStringLiteral("Notifications to the companion")
                                        << std::function<QString(uint)>(playerNotificationName);
}

void tst_ProtocolDoc::numbersAndNames()
{
    QFETCH(QString, heading);
    QFETCH(std::function<QString(uint)>, nameOf);

    const Table table = sectionTable(heading);
    QVERIFY2(!table.isEmpty(), qPrintable(QStringLiteral("no table under \"%1\"").arg(heading)));

    QStringList problems;
    QMap<uint, QString> documented;
    for (const QStringList &row : table) {
        bool isNumber = false;
        const uint number = row.value(0).toUInt(&isNumber);
        const QString name = row.value(1);
        if (!isNumber) {
            problems << QStringLiteral("\"%1\" is not a number").arg(row.value(0));
            continue;
        }
        if (documented.contains(number))
            problems << QStringLiteral("%1 is documented twice").arg(number);
        documented.insert(number, name);
        if (nameOf(number) != name) {
            problems << QStringLiteral("documented %1 %2, the code has %3")
                            .arg(number)
                            .arg(name, nameOf(number).isEmpty() ? QStringLiteral("no such number")
                                                                : nameOf(number));
        }
    }
    // The name functions cover their enumeration (the compiler warns of a missing case), so
    // every number with a name is one of the code's.
    for (uint number = 0; number <= 0xFFFF; ++number) {
        const QString name = nameOf(number);
        if (!name.isEmpty() && !documented.contains(number))
            problems << QStringLiteral("%1 %2 is not documented").arg(number).arg(name);
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
}

void tst_ProtocolDoc::serverNames()
{
    // Server name, who listens.
    const Table table = sectionTable(QStringLiteral("Transport"));
    QMap<QString, QString> documented;
    for (const QStringList &row : table)
        documented.insert(row.value(0), row.value(1));
    const QMap<QString, QString> code{{playerServerName, QStringLiteral("the player")},
                                      {companionServerName, QStringLiteral("the companion")}};
    QCOMPARE(documented, code);
}

void tst_ProtocolDoc::timings()
{
    // What, how long, the constant in the code.
    const Table table = sectionTable(QStringLiteral("Timings"));
    QMap<QString, QString> documented;
    for (const QStringList &row : table)
        documented.insert(row.value(2), row.value(1));
    const auto ms = [](int value) { return QStringLiteral("%1 ms").arg(value); };
    const QMap<QString, QString> code{
        {QStringLiteral("IPCSocket::timeoutMs"), ms(QT_EXT::IPCSocket::timeoutMs)},
        {QStringLiteral("IPCSocket::processDelayMs"), ms(QT_EXT::IPCSocket::processDelayMs)},
        {QStringLiteral("CompanionNotifier::playerReadyDelayMs"),
         ms(CompanionNotifier::playerReadyDelayMs)},
        {QStringLiteral("CompanionNotifier::videoChangedDelayMs"),
         ms(CompanionNotifier::videoChangedDelayMs)},
        {QStringLiteral("CompanionNotifier::nextTrackDelayMs"),
         ms(CompanionNotifier::nextTrackDelayMs)},
        {QStringLiteral("AppBrowser::queuedCallsDelayMs"), ms(AppBrowser::queuedCallsDelayMs)},
    };
    QCOMPARE(documented, code);
}

void tst_ProtocolDoc::jsonCommands()
{
    // "Command" value, key, value, effect. Each documented command, sent with every key the
    // table gives it, must make the player act and pass on the value of each key that the
    // table does not call ignored. The same command in other letters must do nothing.
    const Table table = sectionTable(QStringLiteral("JsonCommand"));
    QVERIFY(!table.isEmpty());
    QMap<QString, QStringList> keysOf;
    QSet<QString> ignoredKeys;
    for (const QStringList &row : table) {
        keysOf[row.value(0)] << row.value(1);
        if (row.value(3).contains(QLatin1String("ignored")))
            ignoredKeys << row.value(0) + QLatin1Char('/') + row.value(1);
    }

    for (auto it = keysOf.cbegin(); it != keysOf.cend(); ++it) {
        const QString command = it.key();
        QJsonObject object{{QStringLiteral("Command"), command}};
        for (const QString &key : it.value())
            object.insert(key, QStringLiteral("value of ") + key);

        CompanionCommands commands;
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        const QMetaObject *meta = commands.metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            if (meta->method(i).methodType() == QMetaMethod::Signal)
                spies.push_back(std::make_unique<QSignalSpy>(&commands, meta->method(i)));
        }
        const auto heard = [&spies]() {
            QStringList values;
            int signalCount = 0;
            for (const auto &spy : spies) {
                signalCount += spy->count();
                for (const QList<QVariant> &arguments : *spy) {
                    for (const QVariant &argument : arguments)
                        values << argument.toString();
                }
                spy->clear();
            }
            return qMakePair(signalCount, values);
        };

        commands.dispatch(uint(CompanionCommand::JsonCommand),
                          QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        const auto [count, values] = heard();
        QVERIFY2(count > 0, qPrintable(command + QStringLiteral(" does nothing")));
        for (const QString &key : it.value()) {
            if (ignoredKeys.contains(command + QLatin1Char('/') + key))
                continue;
            QVERIFY2(values.contains(QStringLiteral("value of ") + key),
                     qPrintable(QStringLiteral("%1 does not use %2").arg(command, key)));
        }

        object.insert(QStringLiteral("Command"), command.toLower());
        commands.dispatch(uint(CompanionCommand::JsonCommand),
                          QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        QCOMPARE(heard().first, 0);
    }
}

void tst_ProtocolDoc::readerFindsChanges_data()
{
    QTest::addColumn<QString>("markdown");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QStringList>("secondRow");

    const QString table = QStringLiteral("| No. | Name | Payload |\n|---|---|---|\n"
                                         "| 2 | `Quit` | ignored |\n| %1 | `%2` | a video id |\n");
    QTest::newRow("as written") << QStringLiteral("## Commands\n\n") +
                                       table.arg(3).arg(QStringLiteral("PlayVideo"))
                                << QStringLiteral("Commands")
                                << QStringList{QStringLiteral("3"), QStringLiteral("PlayVideo"),
                                               QStringLiteral("a video id")};
    QTest::newRow("number changed")
        << QStringLiteral("### Commands\n") + table.arg(4).arg(QStringLiteral("PlayVideo"))
        << QStringLiteral("Commands")
        << QStringList{QStringLiteral("4"), QStringLiteral("PlayVideo"),
                       QStringLiteral("a video id")};
    // A table in a code block is an example, not the reference.
    QTest::newRow("code block ignored")
        << QStringLiteral("## Commands\n```\n| 9 | `X` | y |\n```\n") +
               table.arg(3).arg(QStringLiteral("PlayVideoo"))
        << QStringLiteral("Commands")
        << QStringList{QStringLiteral("3"), QStringLiteral("PlayVideoo"),
                       QStringLiteral("a video id")};
}

void tst_ProtocolDoc::readerFindsChanges()
{
    // The reader itself: it must see what a document says, or the checks above compare nothing.
    QFETCH(QString, markdown);
    QFETCH(QString, heading);
    QFETCH(QStringList, secondRow);
    const QList<Table> tables = tablesByHeading(markdown).value(heading);
    QCOMPARE(tables.size(), 1);
    QCOMPARE(tables.first().size(), 2);
    QCOMPARE(tables.first().at(1), secondRow);
}

QTEST_GUILESS_MAIN(tst_ProtocolDoc)
#include "tst_protocoldoc.moc"
