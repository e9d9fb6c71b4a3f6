// The German translation: nothing in the sources left untranslated, chosen from the environment
// as the player chooses it at start-up, and in effect where the window, its dialogs and the
// toolkit show their texts (which also proves that each text's context is the one that the code
// translates it in). Texts that stay in English by design are checked to stay so.
//
// MVP_SCREENSHOT_DIR asks for pictures of the German dialogs, for people to look at.

#include "apptranslations.h"
#include "dialoganswerer.h"
#include "download/inputdlg.h"
#include "download/videoformatdlg.h"
#include "format.h"
#include "lyrics/trackinfodlg.h"
#include "mainwindow.h"
#include "messages.h"
#include "pages/videoplayerbrowser.h"
#include "qhttpext.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QXmlStreamReader>
#include <QtTest>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(std::function<QString()>)

namespace {

QStringList definedList(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

// "context: source" of every message in a .ts file whose translation is unfinished or empty.
QStringList unfinishedMessages(const QString &tsPath)
{
    QFile file(tsPath);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot read %1").arg(tsPath)};
    QXmlStreamReader xml(&file);
    QStringList unfinished;
    QString context;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool open =
                xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
            const QString translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (open || translation.isEmpty())
                unfinished << context + QStringLiteral(": ") + source;
        }
    }
    if (xml.hasError())
        unfinished << QStringLiteral("%1 is not readable XML: %2").arg(tsPath, xml.errorString());
    return unfinished;
}

void saveScreenshot(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("MVP_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QVERIFY(widget->grab().save(QDir(dir).filePath(name + QStringLiteral(".png"))));
}

QString settingsFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quorbel"));
}

QSharedPointer<FormatInfo> format(int itag, const QString &name)
{
    auto info = QSharedPointer<FormatInfo>::create();
    info->itag = itag;
    info->name = name;
    info->extension = QStringLiteral(".mp4");
    info->url = QStringLiteral("http://127.0.0.1:1/stream?itag=%1").arg(itag);
    return info;
}

} // namespace

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void noUnfinishedEntries_data();
    void noUnfinishedEntries();
    void languageFromEnvironment_data();
    void languageFromEnvironment();
    void windowTexts_data();
    void windowTexts();
    void windowMenus();
    void dialogTexts_data();
    void dialogTexts();
    void messageBoxes();
    void pageAndToolkitTexts_data();
    void pageAndToolkitTexts();

private:
    std::unique_ptr<MainWindow> window;
};

void tst_Translations::initTestCase()
{
    QDir(settingsFolder()).removeRecursively();
    QSettings ini(QDir(settingsFolder()).filePath(QStringLiteral("MiniVideoPlayerSV.ini")),
                  QSettings::IniFormat);
    // No player page: its host refuses at once.
    ini.setValue(QStringLiteral("hosts/maker"), QStringLiteral("127.0.0.1:1"));
    ini.sync();

    QCOMPARE(installTranslations(QLocale(QLocale::German, QLocale::Germany)), QStringLiteral("de"));
    window = std::make_unique<MainWindow>();
}

void tst_Translations::cleanupTestCase()
{
    window.reset();
    QDir(settingsFolder()).removeRecursively();
}

void tst_Translations::noUnfinishedEntries_data()
{
    QTest::addColumn<QString>("tsFile");
    for (const QString &ts : definedList(TS_FILES))
        QTest::newRow(qPrintable(QFileInfo(ts).fileName())) << ts;
}

void tst_Translations::noUnfinishedEntries()
{
    // lupdate on a copy brings in every text of today's sources; a text that is new or changed
    // since the .ts file was last translated comes in unfinished.
    QFETCH(QString, tsFile);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString copy = dir.filePath(QFileInfo(tsFile).fileName());
    QVERIFY(QFile::copy(tsFile, copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList arguments = definedList(LUPDATE_OPTIONS) + definedList(TRANSLATED_DIRS) +
                                  QStringList{QStringLiteral("-ts"), copy};
    lupdate.start(QStringLiteral(LUPDATE_PROGRAM), arguments);
    QVERIFY2(lupdate.waitForFinished(120000), qPrintable(lupdate.errorString()));
    const QString output = QString::fromLocal8Bit(lupdate.readAll());
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0,
             qPrintable(output));
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("source text")))
            qInfo().noquote() << QFileInfo(tsFile).fileName() + QStringLiteral(":")
                              << line.trimmed();
    }

    const QStringList unfinished = unfinishedMessages(copy);
    QVERIFY2(unfinished.isEmpty(),
             qPrintable(QStringLiteral("%1 untranslated (run the update_translations target and "
                                       "translate them):\n  %2")
                            .arg(unfinished.size())
                            .arg(unfinished.join(QStringLiteral("\n  ")))));
}

void tst_Translations::languageFromEnvironment_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("play");
    QTest::addColumn<QString>("cancel");

    const QString german = QStringLiteral("de");
    const QString start = QStringLiteral("Start");
    const QString abbrechen = QStringLiteral("Abbrechen");
    QTest::newRow("LANGUAGE=de") << QStringList{QStringLiteral("LANGUAGE=de")} << german << start
                                 << abbrechen;
    QTest::newRow("LANG=de_DE.UTF-8")
        << QStringList{QStringLiteral("LANG=de_DE.UTF-8")} << german << start << abbrechen;
    QTest::newRow("LC_ALL=de_DE.UTF-8 over LANG=en_US.UTF-8")
        << QStringList{QStringLiteral("LC_ALL=de_DE.UTF-8"), QStringLiteral("LANG=en_US.UTF-8")}
        << german << start << abbrechen;
    QTest::newRow("LANGUAGE=fr:de, the first translated one")
        << QStringList{QStringLiteral("LANGUAGE=fr:de"), QStringLiteral("LANG=C.UTF-8")} << german
        << start << abbrechen;
    // Untranslated languages keep every text in English, Qt's too: no French dialog buttons
    // in an English window.
    QTest::newRow("LANG=C.UTF-8") << QStringList{QStringLiteral("LANG=C.UTF-8")} << QString()
                                  << QStringLiteral("Play") << QStringLiteral("Cancel");
    QTest::newRow("LANG=fr_FR.UTF-8")
        << QStringList{QStringLiteral("LANG=fr_FR.UTF-8")} << QString() << QStringLiteral("Play")
        << QStringLiteral("Cancel");
}

void tst_Translations::languageFromEnvironment()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, language);
    QFETCH(QString, play);
    QFETCH(QString, cancel);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        env.remove(QString::fromLatin1(name));
    for (const QString &entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(TRANSLATION_PROBE), QStringList());
    QVERIFY(probe.waitForFinished(30000));
    QCOMPARE(probe.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), language);
    QCOMPARE(lines.value(1), play);
    QCOMPARE(lines.value(2), cancel);
}

void tst_Translations::windowTexts_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("expected");

    const struct
    {
        const char *object;
        const char *property;
        const char *expected;
    } rows[] = {
        {"btSearch", "text", "Suchen"},
        {"btPlay", "text", "Start"},
        {"btStop", "toolTip", "Download anhalten"},
        {"btNext", "toolTip", "Nächster Titel"},
        {"actionPlayer", "text", "Wiedergabe"},
        {"actionPlayer", "toolTip", "Videoplayer anzeigen"},
        {"actionLyrics", "text", "Liedtext"},
        // The shortcut's name comes from Qt's own translation.
        {"actionLyrics", "toolTip", "Liedtext-Seite anzeigen (Strg+L)"},
        {"actionRelated", "text", "Ähnliche"},
        {"actionHistory", "text", "Verlauf"},
        {"actionSearch", "text", "Suchen"},
        {"actionBookmark", "text", "Merken"},
        {"actionBookmark", "toolTip", "Lesezeichen für das aktuelle Video setzen"},
        {"actionCopy", "text", "Kopieren"},
        {"actionCopy", "toolTip", "Adresse des aktuellen Videos in die Zwischenablage kopieren"},
        {"actionBrowser", "toolTip", "Im Standardbrowser öffnen"},
        {"actionDownload", "text", "Speichern"},
        {"actionDownload", "toolTip", "Eine Kopie in verschiedenen Formaten speichern"},
        {"actionMinimize_to_tray", "text", "Minimieren"},
        {"actionMinimize_to_tray", "toolTip", "In den Infobereich minimieren"},
    };
    for (const auto &row : rows) {
        QTest::addRow("%s %s", row.object, row.property)
            << QString::fromLatin1(row.object) << QByteArray(row.property)
            << QString::fromUtf8(row.expected);
    }
}

void tst_Translations::windowTexts()
{
    QFETCH(QString, object);
    QFETCH(QByteArray, property);
    QFETCH(QString, expected);
    QObject *found = window->findChild<QObject *>(object);
    QVERIFY2(found, qPrintable(object));
    QCOMPARE(found->property(property.constData()).toString(), expected);
}

void tst_Translations::windowMenus()
{
    const auto texts = [](QMenu *menu) {
        QStringList list;
        for (const QAction *action : menu->actions())
            list << action->text();
        return list;
    };
    auto *copy = window->findChild<QAction *>(QStringLiteral("actionCopy"));
    QCOMPARE(texts(copy->menu()),
             (QStringList{QStringLiteral("Adresse"), QString(), QStringLiteral("Titel")}));
    // The search menu's category names stay as they are.
    auto *search = window->findChild<QAction *>(QStringLiteral("actionSearch"));
    QCOMPARE(texts(search->menu()).first(), QStringLiteral("Most Popular"));

    bool trayMenuFound = false;
    for (QMenu *menu : window->findChildren<QMenu *>()) {
        if (menu != copy->menu() && menu != search->menu() && !menu->actions().isEmpty()) {
            QCOMPARE(texts(menu),
                     (QStringList{QStringLiteral("Anzeigen"), QStringLiteral("Liedtext")}));
            trayMenuFound = true;
        }
    }
    QVERIFY(trayMenuFound);

    // The related-videos page's heading.
    window->findChild<QAction *>(QStringLiteral("actionRelated"))->trigger();
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblHeading"))->text(),
             QStringLiteral("Zum Beginnen auf Suchen klicken"));
}

void tst_Translations::dialogTexts_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("expected");

    // An empty object name stands for the window title.
    const struct
    {
        const char *dialog;
        const char *object;
        const char *expected;
    } rows[] = {
        {"TrackInfoDlg", "lblArtist", "Interpret"},
        {"TrackInfoDlg", "lblSongTitle", "Songtitel"},
        {"TrackInfoDlg", "Cancel", "Abbrechen"},
        {"TrackInfoDlg", "", "Track Information"}, // stays
        {"VideoFormatDlg", "btDownload", "Herunterladen"},
        {"VideoFormatDlg", "btClose", "Schließen"},
        {"VideoFormatDlg", "lwFormats", "FLV 240|MP4 360|MP3"},
        {"VideoFormatDlg", "lblHeading", "Choose format:"}, // stays
        {"VideoFormatDlg", "", "Formats"},                  // stays
        {"InputDlg", "lblInput", "Dateiname:"},
        {"InputDlg", "Cancel", "Abbrechen"},
        {"InputDlg", "", "Change if needed"}, // stays
    };
    for (const auto &row : rows) {
        QTest::addRow("%s %s", row.dialog, *row.object ? row.object : "title")
            << QString::fromLatin1(row.dialog) << QString::fromLatin1(row.object)
            << QString::fromUtf8(row.expected);
    }
}

void tst_Translations::dialogTexts()
{
    QFETCH(QString, dialog);
    QFETCH(QString, object);
    QFETCH(QString, expected);

    std::unique_ptr<QDialog> shown;
    if (dialog == QLatin1String("TrackInfoDlg")) {
        auto *track = new TrackInfoDlg;
        track->setTrackInfo(QStringLiteral("Mira Solberg - Glass Mountains"));
        shown.reset(track);
    } else if (dialog == QLatin1String("VideoFormatDlg")) {
        auto *formats = new VideoFormatDlg;
        formats->setFormats({{5, format(5, QStringLiteral("FLV 240"))},
                             {18, format(18, QStringLiteral("MP4 360"))}});
        shown.reset(formats);
    } else {
        shown.reset(new InputDlg(QStringLiteral("/home/user/Videos/Harbour Lights.mp4")));
    }
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
    saveScreenshot(shown.get(), QStringLiteral("dialog-") + dialog);

    QString text;
    if (object.isEmpty()) {
        text = shown->windowTitle();
    } else if (object == QLatin1String("Cancel")) {
        auto *box = shown->findChild<QDialogButtonBox *>();
        QVERIFY(box);
        text = box->button(QDialogButtonBox::Cancel)->text();
    } else if (auto *list = shown->findChild<QListWidget *>(object)) {
        QStringList rows;
        for (int i = 0; i < list->count(); ++i)
            rows << list->item(i)->text();
        text = rows.join(QLatin1Char('|'));
    } else {
        QWidget *widget = shown->findChild<QWidget *>(object);
        QVERIFY2(widget, qPrintable(object));
        text = widget->property("text").toString();
    }
    QCOMPARE(text, expected);
}

void tst_Translations::messageBoxes()
{
    // The related-videos lookup without a video says so, in the window's own message box.
    DialogAnswerer answerer;
    QString text;
    QStringList buttons;
    answerer.handle([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QVERIFY(box);
        text = box->text();
        for (QAbstractButton *button : box->buttons())
            buttons << button->text();
        saveScreenshot(box, QStringLiteral("messagebox-related"));
        box->accept();
    });
    window->findChild<QAction *>(QStringLiteral("actionRelated"))->trigger();
    window->findChild<QPushButton *>(QStringLiteral("btSearch"))->click();
    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(text, QStringLiteral("Kein Video gefunden"));
    QCOMPARE(buttons, QStringList{QStringLiteral("OK")});

    // A question's buttons are Qt's own texts.
    buttons.clear();
    answerer.handle([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QVERIFY(box);
        for (QMessageBox::StandardButton which :
             {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            buttons << box->button(which)->text();
        box->reject();
    });
    QT_EXT::msgQuestion(QCoreApplication::translate("VideoDownloadPanel", "Stop current download"));
    QCOMPARE(buttons, (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein"),
                                   QStringLiteral("Abbrechen")}));
}

void tst_Translations::pageAndToolkitTexts_data()
{
    QTest::addColumn<std::function<QString()>>("shown");
    QTest::addColumn<QString>("expected");

    QTest::newRow("player state") << std::function<QString()>([] {
        return VideoPlayerBrowser::stateText(VideoPlayerBrowser::Playing);
    }) << QStringLiteral("Wiedergabe läuft");
    QTest::newRow("player error") << std::function<QString()>([] {
        return VideoPlayerBrowser::errorText(VideoPlayerBrowser::VideoNotFound);
    }) << QStringLiteral("Video nicht gefunden");
    QTest::newRow("size unit") << std::function<QString()>([] {
        QString text;
        QT_EXT::formatSize(3 * 1024 * 1024, text);
        return text;
    }) << QStringLiteral("3.0 MB");
    QTest::newRow("transfer engine") << std::function<QString()>([] {
        QT_EXT::QHttpExt engine;
        engine.get(QStringLiteral("http://[x"), false);
        return engine.lastError();
    }) << QStringLiteral("Ungültige Adresse: http://[x");
    QTest::newRow("web context menu") << std::function<QString()>([] {
        QWebEnginePage page;
        QStringList texts;
        for (QWebEnginePage::WebAction action :
             {QWebEnginePage::Copy, QWebEnginePage::CopyImageToClipboard, QWebEnginePage::Paste,
              QWebEnginePage::Reload, QWebEnginePage::Back, QWebEnginePage::Forward})
            texts << page.action(action)->text();
        return texts.join(QLatin1Char('|'));
    }) << QStringLiteral("Kopieren|Bild kopieren|Einfügen|Neu laden|Zurück|Vorwärts");
}

void tst_Translations::pageAndToolkitTexts()
{
    QFETCH(std::function<QString()>, shown);
    QFETCH(QString, expected);
    QCOMPARE(shown(), expected);
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
