#include "messageboxex.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QtTest>

using QT_EXT::MessageBoxEx;

Q_DECLARE_METATYPE(QMessageBox::StandardButton)

namespace {

// Shows a box that announces, after the box under test was shown, and waits for its
// announcement. Both boxes wait the same time from their showing, so an announcement of the
// box under test would have come first.
bool laterBoxAnnounced()
{
    MessageBoxEx later(nullptr, true);
    later.setStandardButtons(QMessageBox::Ok);
    later.setWindowTitle(QStringLiteral("Later"));
    later.setText(QStringLiteral("box"));
    later.show();
    return QTest::qWaitFor([&later] { return later.windowTitle() == QLatin1String("Later - box"); },
                           10000);
}

} // namespace

class tst_MessageBoxEx : public QObject
{
    Q_OBJECT

private slots:
    void announce_data();
    void announce();
    void noAnnounceWithoutFlag();
    void noSpeakerNoAnnouncement();
};

void tst_MessageBoxEx::announce_data()
{
    QTest::addColumn<QMessageBox::StandardButtons>("buttons");
    QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
    QTest::addColumn<QMessageBox::StandardButton>("speaker");

    QTest::newRow("ok") << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::NoButton
                        << QMessageBox::Ok;
    QTest::newRow("yes and no") << (QMessageBox::Yes | QMessageBox::No) << QMessageBox::NoButton
                                << QMessageBox::Yes;
    QTest::newRow("default no") << (QMessageBox::Yes | QMessageBox::No) << QMessageBox::No
                                << QMessageBox::No;
    QTest::newRow("default cancel beats ok")
        << (QMessageBox::Ok | QMessageBox::Cancel) << QMessageBox::Cancel << QMessageBox::Cancel;
}

void tst_MessageBoxEx::announce()
{
    QFETCH(QMessageBox::StandardButtons, buttons);
    QFETCH(QMessageBox::StandardButton, defaultButton);
    QFETCH(QMessageBox::StandardButton, speaker);

    MessageBoxEx box(nullptr, true);
    QVERIFY(box.isAnnounce());
    box.setStandardButtons(buttons);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    box.setWindowTitle(QStringLiteral("Player"));
    box.setText(QStringLiteral("Video<br>not</br><i>found</i>"));
    box.show();

    QAbstractButton *expected = box.button(speaker);
    QVERIFY(expected);
    QTRY_COMPARE(box.windowTitle(), QStringLiteral("Player - Video not found"));
    QCOMPARE(expected->toolTip(), QStringLiteral("Video\nnot\nfound"));
    // The message itself is untouched.
    QCOMPARE(box.text(), QStringLiteral("Video<br>not</br><i>found</i>"));
}

void tst_MessageBoxEx::noAnnounceWithoutFlag()
{
    MessageBoxEx box;
    QVERIFY(!box.isAnnounce());
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowTitle(QStringLiteral("Player"));
    box.setText(QStringLiteral("Quiet"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(laterBoxAnnounced());
    QCOMPARE(box.windowTitle(), QStringLiteral("Player"));
    QVERIFY(box.button(QMessageBox::Ok)->toolTip().isEmpty());

    // Switched on later, the next showing announces.
    box.hide();
    box.setAnnounce(true);
    box.show();
    QTRY_COMPARE(box.windowTitle(), QStringLiteral("Player - Quiet"));
}

void tst_MessageBoxEx::noSpeakerNoAnnouncement()
{
    MessageBoxEx box(nullptr, true);
    box.setStandardButtons(QMessageBox::Cancel | QMessageBox::Retry);
    box.setWindowTitle(QStringLiteral("Player"));
    box.setText(QStringLiteral("Nobody speaks"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(laterBoxAnnounced());
    QCOMPARE(box.windowTitle(), QStringLiteral("Player"));
    QVERIFY(box.button(QMessageBox::Cancel)->toolTip().isEmpty());
    QVERIFY(box.button(QMessageBox::Retry)->toolTip().isEmpty());
}

QTEST_MAIN(tst_MessageBoxEx)
#include "tst_messageboxex.moc"
