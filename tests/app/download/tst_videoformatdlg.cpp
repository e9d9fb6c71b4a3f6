#include "dialoganswerer.h"
#include "download/videoformatdlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using FormatMap = QMap<int, QSharedPointer<FormatInfo>>;
Q_DECLARE_METATYPE(FormatMap)

namespace {

FormatMap formatMap(const QList<QPair<int, QString>> &entries)
{
    FormatMap map;
    for (const auto &entry : entries) {
        auto format = QSharedPointer<FormatInfo>::create();
        format->itag = entry.first;
        format->name = entry.second;
        format->extension = QStringLiteral(".mp4");
        format->url = QStringLiteral("http://a/v?itag=%1").arg(entry.first);
        map.insert(entry.first, format);
    }
    return map;
}

const FormatMap standardFormats()
{
    return formatMap({{5, QStringLiteral("FLV 240")},
                      {18, QStringLiteral("MP4 360")},
                      {22, QStringLiteral("MP4 720")},
                      {43, QString()}});
}

QListWidget *formatList(VideoFormatDlg &dialog)
{
    return dialog.findChild<QListWidget *>(QStringLiteral("lwFormats"));
}

QStringList rows(VideoFormatDlg &dialog)
{
    QStringList texts;
    QListWidget *list = formatList(dialog);
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class tst_VideoFormatDlg : public QObject
{
    Q_OBJECT

private slots:
    void form_data();
    void form();
    void rows_data();
    void rows();
    void choose_data();
    void choose();
    void noCurrentRow();
    void closeRejects();
};

void tst_VideoFormatDlg::form_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QList<int>>("cell");
    QTest::addColumn<QString>("text");
    QTest::newRow("heading") << "lblHeading"
                             << "QLabel" << QList<int>{0, 0, 1, 2} << "Choose format:";
    QTest::newRow("list") << "lwFormats"
                          << "QListWidget" << QList<int>{1, 0, 1, 2} << "";
    QTest::newRow("download") << "btDownload"
                              << "QPushButton" << QList<int>{2, 0, 1, 1} << "Download";
    QTest::newRow("close") << "btClose"
                           << "QPushButton" << QList<int>{2, 1, 1, 1} << "Close";
}

void tst_VideoFormatDlg::form()
{
    QFETCH(QString, object);
    QFETCH(QString, className);
    QFETCH(QList<int>, cell);
    QFETCH(QString, text);

    VideoFormatDlg dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("VideoFormatDlg"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Formats"));
    QCOMPARE(dialog.size(), QSize(228, 213));
    auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
    QVERIFY(grid);
    QCOMPARE(grid->objectName(), QStringLiteral("gridLayout"));
    auto *widget = dialog.findChild<QWidget *>(object);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    int row = -1, column = -1, rowSpan = -1, columnSpan = -1;
    grid->getItemPosition(grid->indexOf(widget), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE((QList<int>{row, column, rowSpan, columnSpan}), cell);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), text);
}

void tst_VideoFormatDlg::rows_data()
{
    QTest::addColumn<FormatMap>("formats");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("named in itag order, unnamed left out")
        << formatMap({{22, QStringLiteral("MP4 720")},
                      {5, QStringLiteral("FLV 240")},
                      {45, QString()},
                      {18, QStringLiteral("MP4 360")},
                      {43, QString()}})
        << QStringList{"FLV 240", "MP4 360", "MP4 720", "MP3"};
    QTest::newRow("only the record of an empty analysis")
        << formatMap({{0, QString()}}) << QStringList{"MP3"};
    QTest::newRow("empty map") << FormatMap() << QStringList{"Nothing found"};
}

void tst_VideoFormatDlg::rows()
{
    QFETCH(FormatMap, formats);
    QFETCH(QStringList, rows);

    VideoFormatDlg dialog;
    dialog.setFormats(standardFormats());
    dialog.setFormats(formats); // replaces the earlier rows
    QCOMPARE(::rows(dialog), rows);
    QListWidget *list = formatList(dialog);
    for (int i = 0; i < list->count(); ++i) {
        const QVariant data = list->item(i)->data(Qt::UserRole);
        const QSharedPointer<FormatInfo> listed = [&] {
            for (const auto &format : formats) {
                if (format->name == list->item(i)->text())
                    return format;
            }
            return QSharedPointer<FormatInfo>();
        }();
        if (listed)
            QCOMPARE(data.toLongLong(), qint64(reinterpret_cast<quintptr>(listed.data())));
        else
            QVERIFY(data.isNull());
    }
}

void tst_VideoFormatDlg::choose_data()
{
    QTest::addColumn<FormatMap>("formats");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<int>("itag"); // -1: no format
    QTest::newRow("second row by button") << standardFormats() << 1 << false << 18;
    QTest::newRow("first row by double-click") << standardFormats() << 0 << true << 5;
    QTest::newRow("MP3") << standardFormats() << 3 << false << -1;
    QTest::newRow("nothing found") << FormatMap() << 0 << true << -1;
}

void tst_VideoFormatDlg::choose()
{
    QFETCH(FormatMap, formats);
    QFETCH(int, row);
    QFETCH(bool, doubleClick);
    QFETCH(int, itag);

    VideoFormatDlg dialog;
    dialog.setFormats(formats);
    // The choice lives on when the caller's map is rebuilt meanwhile.
    formats.clear();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QListWidget *list = formatList(dialog);
    if (doubleClick) {
        const QRect rect = list->visualItemRect(list->item(row));
        // The view takes the second press of a double-click only after a first click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    } else {
        list->setCurrentRow(row);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btDownload")),
                          Qt::LeftButton);
    }
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    const QSharedPointer<FormatInfo> selected = dialog.selectedFormat();
    if (itag < 0) {
        QVERIFY(!selected);
    } else {
        QVERIFY(selected);
        QCOMPARE(selected->itag, itag);
        QCOMPARE(selected->url, QStringLiteral("http://a/v?itag=%1").arg(itag));
    }
}

void tst_VideoFormatDlg::noCurrentRow()
{
    VideoFormatDlg dialog;
    dialog.setFormats(standardFormats());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // The list makes its first row current when it takes the focus; take that back.
    formatList(dialog)->setCurrentItem(nullptr);
    QVERIFY(!formatList(dialog)->currentItem());

    DialogAnswerer answerer;
    answerer.click(QMessageBox::Ok);
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btDownload")),
                      Qt::LeftButton);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("No format selected"));
    QCOMPARE(answerer.seen().first().icon, QMessageBox::Information);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void tst_VideoFormatDlg::closeRejects()
{
    VideoFormatDlg dialog;
    dialog.setFormats(standardFormats());
    DialogAnswerer answerer;
    answerer.handle([](QWidget *shown) {
        auto *list = shown->findChild<QListWidget *>(QStringLiteral("lwFormats"));
        list->setCurrentRow(0);
        QTest::mouseClick(shown->findChild<QPushButton *>(QStringLiteral("btClose")),
                          Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(answerer.answered(), 1);
}

QTEST_MAIN(tst_VideoFormatDlg)
#include "tst_videoformatdlg.moc"
