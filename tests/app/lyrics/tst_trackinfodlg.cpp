#include "dialoganswerer.h"
#include "lyrics/trackinfodlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

class tst_TrackInfoDlg : public QObject
{
    Q_OBJECT

private:
    static QLineEdit *field(TrackInfoDlg &dialog, const char *name)
    {
        return dialog.findChild<QLineEdit *>(QLatin1String(name));
    }

private slots:
    void form_data();
    void form();
    void window();
    void setTrackInfo_data();
    void setTrackInfo();
    void trackInfoFromFields_data();
    void trackInfoFromFields();
    void exec_data();
    void exec();
};

void tst_TrackInfoDlg::form_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");

    QTest::newRow("artist label") << "lblArtist"
                                  << "QLabel" << 0 << "Artist";
    QTest::newRow("artist field") << "teArtist"
                                  << "QLineEdit" << 1 << "";
    QTest::newRow("title label") << "lblSongTitle"
                                 << "QLabel" << 2 << "Song Title";
    QTest::newRow("title field") << "teSongTitle"
                                 << "QLineEdit" << 3 << "";
    QTest::newRow("buttons") << "buttonBox"
                             << "QDialogButtonBox" << 4 << "";
}

void tst_TrackInfoDlg::form()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(int, row);
    QFETCH(QString, text);

    TrackInfoDlg dialog;
    auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
    QVERIFY(grid);
    QCOMPARE(dialog.layout(), grid);
    auto *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);

    int r = -1, column = -1, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(widget), &r, &column, &rowSpan, &columnSpan);
    QCOMPARE(r, row);
    QCOMPARE(column, 0);
    QCOMPARE(rowSpan, 1);
    QCOMPARE(columnSpan, 1);

    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->font().weight(), QFont::Bold);
    }
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        QVERIFY(edit->text().isEmpty());
    if (auto *box = qobject_cast<QDialogButtonBox *>(widget)) {
        QCOMPARE(box->orientation(), Qt::Horizontal);
        QCOMPARE(box->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    }
}

void tst_TrackInfoDlg::window()
{
    TrackInfoDlg dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("TrackInfoDlg"));
    QCOMPARE(QString::fromLatin1(dialog.metaObject()->className()), QStringLiteral("TrackInfoDlg"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Track Information"));
    QCOMPARE(dialog.size(), QSize(270, 160));
}

void tst_TrackInfoDlg::setTrackInfo_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("artistField");
    QTest::addColumn<QString>("titleField");
    QTest::addColumn<QString>("trackInfo");

    QTest::newRow("artist - title") << ""
                                    << "Alpha - Beta"
                                    << "Alpha"
                                    << "Beta"
                                    << "Alpha - Beta";
    QTest::newRow("parts trimmed") << ""
                                   << "  Alpha-Beta  "
                                   << "Alpha"
                                   << "Beta"
                                   << "Alpha - Beta";
    QTest::newRow("no hyphen, whole text untrimmed") << ""
                                                     << "  Solo  "
                                                     << "  Solo  "
                                                     << ""
                                                     << "Solo";
    QTest::newRow("no hyphen keeps the title") << "Kept"
                                               << "Gamma"
                                               << "Gamma"
                                               << "Kept"
                                               << "Gamma - Kept";
    QTest::newRow("two hyphens") << ""
                                 << "X-ray - Beta"
                                 << "X-ray - Beta"
                                 << ""
                                 << "X-ray - Beta";
    QTest::newRow("empty artist") << "Old"
                                  << " - Beta"
                                  << ""
                                  << "Beta"
                                  << " - Beta";
    QTest::newRow("empty title") << "Old"
                                 << "Alpha - "
                                 << "Alpha"
                                 << ""
                                 << "Alpha";
    QTest::newRow("empty text") << "Old"
                                << ""
                                << ""
                                << "Old"
                                << " - Old";
}

void tst_TrackInfoDlg::setTrackInfo()
{
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, artistField);
    QFETCH(QString, titleField);
    QFETCH(QString, trackInfo);

    TrackInfoDlg dialog;
    field(dialog, "teSongTitle")->setText(title);
    dialog.setTrackInfo(text);
    QCOMPARE(field(dialog, "teArtist")->text(), artistField);
    QCOMPARE(field(dialog, "teSongTitle")->text(), titleField);
    QCOMPARE(dialog.trackInfo(), trackInfo);
}

void tst_TrackInfoDlg::trackInfoFromFields_data()
{
    QTest::addColumn<QString>("artistField");
    QTest::addColumn<QString>("titleField");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("songTitle");
    QTest::addColumn<QString>("trackInfo");
    QTest::addColumn<int>("parts");

    QTest::newRow("both") << " Alpha "
                          << "\tBeta "
                          << "Alpha"
                          << "Beta"
                          << "Alpha - Beta" << 2;
    QTest::newRow("blank title") << "Alpha"
                                 << "   "
                                 << "Alpha"
                                 << ""
                                 << "Alpha" << 1;
    QTest::newRow("hyphen in the artist") << "X-ray"
                                          << "Beta"
                                          << "X-ray"
                                          << "Beta"
                                          << "X-ray - Beta" << 3;
}

void tst_TrackInfoDlg::trackInfoFromFields()
{
    QFETCH(QString, artistField);
    QFETCH(QString, titleField);
    QFETCH(QString, artist);
    QFETCH(QString, songTitle);
    QFETCH(QString, trackInfo);
    QFETCH(int, parts);

    TrackInfoDlg dialog;
    field(dialog, "teArtist")->setText(artistField);
    field(dialog, "teSongTitle")->setText(titleField);
    QCOMPARE(dialog.artist(), artist);
    QCOMPARE(dialog.songTitle(), songTitle);
    QCOMPARE(dialog.trackInfo(), trackInfo);
    QCOMPARE(dialog.trackInfo().split(QLatin1Char('-')).size(), parts);
}

void tst_TrackInfoDlg::exec_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("result");

    QTest::newRow("ok") << int(QMessageBox::Ok) << 1;
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << 0;
    QTest::newRow("closed") << int(QMessageBox::NoButton) << 0;
}

void tst_TrackInfoDlg::exec()
{
    QFETCH(int, answer);
    QFETCH(int, result);

    QWidget parent;
    DialogAnswerer answerer;
    if (answer == QMessageBox::NoButton)
        answerer.close();
    else
        answerer.click(QMessageBox::StandardButton(answer));

    TrackInfoDlg dialog(&parent);
    dialog.setTrackInfo(QStringLiteral("Alpha - Beta"));
    QCOMPARE(dialog.exec(), result);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Track Information"));
    QCOMPARE(answerer.seen().first().parent.data(), &parent);
    QCOMPARE(dialog.trackInfo(), QStringLiteral("Alpha - Beta"));
}

QTEST_MAIN(tst_TrackInfoDlg)
#include "tst_trackinfodlg.moc"
