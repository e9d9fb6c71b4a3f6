#include "companionlink.h"
#include "subcommands.h"

#include <QtTest>

class tst_Subcommands : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
};

void tst_Subcommands::accepted_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<uint>("number");
    QTest::addColumn<QString>("payload");

    const auto json = uint(CompanionCommand::JsonCommand);
    const auto history = uint(CompanionCommand::ShowHistory);
    QTest::newRow("send number") << "send" << QStringList{"3"} << 3u << QString();
    QTest::newRow("send number and text") << "send" << QStringList{"20", "{}"} << 20u << "{}";
    QTest::newRow("send leading zero") << "send" << QStringList{"007"} << 7u << QString();
    QTest::newRow("send largest") << "send" << QStringList{"4294967295"} << 4294967295u
                                  << QString();
    QTest::newRow("json object") << "json" << QStringList{R"({"Command":"Search","Title":"a"})"}
                                 << json << R"({"Command":"Search","Title":"a"})";
    QTest::newRow("json blanks around") << "json" << QStringList{" { } "} << json << " { } ";
    QTest::newRow("json array") << "json" << QStringList{"[1,2]"} << json << "[1,2]";
    QTest::newRow("json non-ascii") << "json" << QStringList{QStringLiteral("{\"T\":\"ü\"}")}
                                    << json << QStringLiteral("{\"T\":\"ü\"}");
    QTest::newRow("history none") << "history" << QStringList() << history << QString();
    QTest::newRow("history empty") << "history" << QStringList{""} << history << QString();
    QTest::newRow("history array")
        << "history" << QStringList{R"([{"VideoID":"x"}])"} << history << R"([{"VideoID":"x"}])";
    QTest::newRow("play-json") << "play-json" << QStringList{"v1"} << json
                               << R"({"Command":"Play","VideoID":"v1"})";
    // The player drops a message with a second "|": inside JSON strings it travels escaped.
    QTest::newRow("search with bar") << "search" << QStringList{"Song | Live"} << json
                                     << R"({"Command":"Search","Title":"Song \u007c Live"})";
    QTest::newRow("json with bar")
        << "json" << QStringList{R"({"Title":"a|b"})"} << json << R"({"Title":"a\u007cb"})";
    QTest::newRow("ignored text is free")
        << "ignored" << QStringList{"{"} << uint(CompanionCommand::IgnoredText) << "{";
    QTest::newRow("quit") << "quit" << QStringList() << uint(CompanionCommand::Quit) << QString();
}

void tst_Subcommands::accepted()
{
    QFETCH(QString, name);
    QFETCH(QStringList, args);
    QFETCH(uint, number);
    QFETCH(QString, payload);

    CompanionCommandText cmd;
    QString error;
    QVERIFY2(commandForSubcommand(name, args, &cmd, &error), qPrintable(error));
    QCOMPARE(cmd.number, number);
    QCOMPARE(cmd.payload, payload);
}

void tst_Subcommands::refused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("reason");

    const QString notNumber = QStringLiteral("is not a command number");
    const QString notJson = QStringLiteral("needs valid JSON");
    QTest::newRow("send empty") << "send" << QStringList{""} << notNumber;
    QTest::newRow("send word") << "send" << QStringList{"three"} << notNumber;
    QTest::newRow("send plus") << "send" << QStringList{"+3"} << notNumber;
    QTest::newRow("send minus") << "send" << QStringList{"-3"} << notNumber;
    QTest::newRow("send blank before") << "send" << QStringList{" 3"} << notNumber;
    QTest::newRow("send blank after") << "send" << QStringList{"3 "} << notNumber;
    QTest::newRow("send hex") << "send" << QStringList{"0x14"} << notNumber;
    QTest::newRow("send fraction") << "send" << QStringList{"3.0"} << notNumber;
    QTest::newRow("send arabic-indic digit")
        << "send" << QStringList{QStringLiteral("\u0663")} << notNumber;
    QTest::newRow("send too large") << "send" << QStringList{"4294967296"} << notNumber;
    QTest::newRow("json empty") << "json" << QStringList{""} << notJson;
    QTest::newRow("json unclosed") << "json" << QStringList{R"({"Command":"Play")"} << notJson;
    QTest::newRow("json bare word") << "json" << QStringList{"Play"} << notJson;
    QTest::newRow("json single quotes") << "json" << QStringList{"{'Command':'Play'}"} << notJson;
    QTest::newRow("json trailing comma") << "json" << QStringList{R"({"a":1,})"} << notJson;
    QTest::newRow("json trailing text") << "json" << QStringList{"{} x"} << notJson;
    QTest::newRow("history unclosed") << "history" << QStringList{"[{"} << notJson;
    QTest::newRow("history bare word") << "history" << QStringList{"all"} << notJson;
    QTest::newRow("json missing") << "json" << QStringList() << QStringLiteral("takes 1");
    const QString bar = QStringLiteral("cannot send a text with '|'");
    QTest::newRow("play with bar") << "play" << QStringList{"a|b"} << bar;
    QTest::newRow("folder with bar") << "folder" << QStringList{"/tmp/a|b"} << bar;
    QTest::newRow("unknown") << "jsn" << QStringList{"{}"} << QStringLiteral("unknown command");
}

void tst_Subcommands::refused()
{
    QFETCH(QString, name);
    QFETCH(QStringList, args);
    QFETCH(QString, reason);

    CompanionCommandText cmd;
    QString error;
    QVERIFY(!commandForSubcommand(name, args, &cmd, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

QTEST_APPLESS_MAIN(tst_Subcommands)

#include "tst_subcommands.moc"
