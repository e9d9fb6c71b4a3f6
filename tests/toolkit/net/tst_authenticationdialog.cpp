#include "authenticationdialogform.h"
#include "dialoganswerer.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QTranslator>
#include <QtTest>

using QT_EXT::AuthenticationDialogForm;

namespace {

// Marks every text it is asked for in the context "Dialog".
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "Dialog") != 0)
            return QString();
        return QLatin1Char('[') + QString::fromUtf8(sourceText) + QLatin1Char(']');
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class tst_AuthenticationDialog : public QObject
{
    Q_OBJECT

private slots:
    void setupGivesNameAndSize();
    void widgetsInCreationOrder();
    void gridPositions_data();
    void gridPositions();
    void widgetProperties();
    void texts_data();
    void texts();
    void textsUseDialogContext();
    void passwordIsHidden();
    void answer_data();
    void answer();
    void longSiteWraps();
};

void tst_AuthenticationDialog::setupGivesNameAndSize()
{
    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);
    QCOMPARE(dialog.objectName(), QStringLiteral("Dialog"));
    QCOMPARE(dialog.size(), QSize(389, 243));

    QDialog named;
    named.setObjectName(QStringLiteral("mine"));
    AuthenticationDialogForm other;
    other.setupUi(&named);
    QCOMPARE(named.objectName(), QStringLiteral("mine"));
}

void tst_AuthenticationDialog::widgetsInCreationOrder()
{
    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);

    QStringList names;
    const QObjectList children = dialog.children();
    for (const QObject *child : children) {
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_")))
            names << child->objectName();
    }
    const QStringList expected{
        QStringLiteral("gridLayout"), QStringLiteral("label"),   QStringLiteral("label_2"),
        QStringLiteral("userEdit"),   QStringLiteral("label_3"), QStringLiteral("passwordEdit"),
        QStringLiteral("buttonBox"),  QStringLiteral("label_4"), QStringLiteral("siteDescription")};
    QCOMPARE(names, expected);

    QCOMPARE(form.gridLayout, dialog.layout());
    QCOMPARE(form.label, dialog.findChild<QLabel *>(QStringLiteral("label")));
    QCOMPARE(form.userEdit, dialog.findChild<QLineEdit *>(QStringLiteral("userEdit")));
    QCOMPARE(form.passwordEdit, dialog.findChild<QLineEdit *>(QStringLiteral("passwordEdit")));
    QCOMPARE(form.buttonBox, dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox")));
    QCOMPARE(form.siteDescription, dialog.findChild<QLabel *>(QStringLiteral("siteDescription")));
}

void tst_AuthenticationDialog::gridPositions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("columnSpan");

    QTest::newRow("label") << QStringLiteral("label") << 0 << 0 << 2;
    QTest::newRow("label_4") << QStringLiteral("label_4") << 1 << 0 << 1;
    QTest::newRow("siteDescription") << QStringLiteral("siteDescription") << 1 << 1 << 1;
    QTest::newRow("label_2") << QStringLiteral("label_2") << 2 << 0 << 1;
    QTest::newRow("userEdit") << QStringLiteral("userEdit") << 2 << 1 << 1;
    QTest::newRow("label_3") << QStringLiteral("label_3") << 3 << 0 << 1;
    QTest::newRow("passwordEdit") << QStringLiteral("passwordEdit") << 3 << 1 << 1;
    QTest::newRow("buttonBox") << QStringLiteral("buttonBox") << 5 << 0 << 2;
}

void tst_AuthenticationDialog::gridPositions()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, columnSpan);

    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);
    QWidget *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    const int index = form.gridLayout->indexOf(widget);
    QVERIFY(index >= 0);
    int r = -1, c = -1, rs = -1, cs = -1;
    form.gridLayout->getItemPosition(index, &r, &c, &rs, &cs);
    QCOMPARE(r, row);
    QCOMPARE(c, column);
    QCOMPARE(rs, 1);
    QCOMPARE(cs, columnSpan);
}

void tst_AuthenticationDialog::widgetProperties()
{
    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);

    QLayoutItem *item = form.gridLayout->itemAtPosition(4, 0);
    QVERIFY(item);
    QSpacerItem *spacer = item->spacerItem();
    QVERIFY(spacer);
    QCOMPARE(spacer->sizeHint(), QSize(20, 40));
    QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Minimum);
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QVERIFY(!form.gridLayout->itemAtPosition(4, 1));

    QCOMPARE(form.buttonBox->orientation(), Qt::Horizontal);
    QCOMPARE(form.buttonBox->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QVERIFY(!form.label->wordWrap());
    QVERIFY(form.siteDescription->wordWrap());
    QVERIFY(form.siteDescription->font().bold());
    QCOMPARE(form.siteDescription->font().weight(), QFont::Bold);
}

void tst_AuthenticationDialog::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("title") << QString() << QStringLiteral("Http authentication required");
    QTest::newRow("label") << QStringLiteral("label")
                           << QStringLiteral("You need to supply a Username and a Password to "
                                             "access this site");
    QTest::newRow("label_2") << QStringLiteral("label_2") << QStringLiteral("Username:");
    QTest::newRow("label_3") << QStringLiteral("label_3") << QStringLiteral("Password:");
    QTest::newRow("label_4") << QStringLiteral("label_4") << QStringLiteral("Site:");
    QTest::newRow("siteDescription")
        << QStringLiteral("siteDescription") << QStringLiteral("%1 at %2");
}

void tst_AuthenticationDialog::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);
    if (name.isEmpty()) {
        QCOMPARE(dialog.windowTitle(), text);
        return;
    }
    auto *label = dialog.findChild<QLabel *>(name);
    QVERIFY(label);
    QCOMPARE(label->text(), text);
}

void tst_AuthenticationDialog::textsUseDialogContext()
{
    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);

    MarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    form.retranslateUi(&dialog);
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(dialog.windowTitle(), QStringLiteral("[Http authentication required]"));
    QCOMPARE(form.label_4->text(), QStringLiteral("[Site:]"));
    QCOMPARE(form.siteDescription->text(), QStringLiteral("[%1 at %2]"));
}

void tst_AuthenticationDialog::passwordIsHidden()
{
    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);

    QCOMPARE(form.passwordEdit->echoMode(), QLineEdit::Password);
    QCOMPARE(form.userEdit->echoMode(), QLineEdit::Normal);
    QTest::keyClicks(form.passwordEdit, QStringLiteral("s3cret"));
    QCOMPARE(form.passwordEdit->text(), QStringLiteral("s3cret"));
    QVERIFY(!form.passwordEdit->displayText().contains(QLatin1String("s3cret")));
    QCOMPARE(form.passwordEdit->displayText().size(), 6);
}

void tst_AuthenticationDialog::answer_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");

    QTest::newRow("ok") << QStringLiteral("alice") << QStringLiteral("pa ss")
                        << QStringLiteral("ok") << int(QDialog::Accepted);
    QTest::newRow("ok with empty fields")
        << QString() << QString() << QStringLiteral("ok") << int(QDialog::Accepted);
    QTest::newRow("cancel") << QStringLiteral("alice") << QStringLiteral("pw")
                            << QStringLiteral("cancel") << int(QDialog::Rejected);
    QTest::newRow("window closed") << QStringLiteral("alice") << QStringLiteral("pw")
                                   << QStringLiteral("close") << int(QDialog::Rejected);
}

// Runs the dialog the way the HTTP engine does.
void tst_AuthenticationDialog::answer()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, how);
    QFETCH(int, result);

    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);
    dialog.adjustSize();
    form.siteDescription->setText(
        QCoreApplication::translate("Dialog", "%1 at %2")
            .arg(QStringLiteral("Members"), QStringLiteral("http://127.0.0.1:8080/private")));

    DialogAnswerer answerer;
    answerer.handle([&](QWidget *shown) {
        auto *userEdit = shown->findChild<QLineEdit *>(QStringLiteral("userEdit"));
        auto *passwordEdit = shown->findChild<QLineEdit *>(QStringLiteral("passwordEdit"));
        auto *buttons = shown->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QTest::keyClicks(userEdit, user);
        QTest::keyClicks(passwordEdit, password);
        if (how == QLatin1String("ok"))
            buttons->button(QDialogButtonBox::Ok)->click();
        else if (how == QLatin1String("cancel"))
            buttons->button(QDialogButtonBox::Cancel)->click();
        else
            shown->close();
    });

    QCOMPARE(dialog.exec(), result);
    QCOMPARE(answerer.answered(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Http authentication required"));
    QVERIFY(answerer.seen().first().text.contains(
        QStringLiteral("Members at http://127.0.0.1:8080/private")));
    QCOMPARE(form.userEdit->text(), user);
    QCOMPARE(form.passwordEdit->text(), password);
}

void tst_AuthenticationDialog::longSiteWraps()
{
    QDialog dialog;
    AuthenticationDialogForm form;
    form.setupUi(&dialog);
    dialog.adjustSize();
    const int width = dialog.width();
    const int lineHeight = form.siteDescription->sizeHint().height();

    const QString realm = QStringLiteral("A members area with a rather long realm name that the "
                                         "server sends to describe itself");
    form.siteDescription->setText(
        QCoreApplication::translate("Dialog", "%1 at %2")
            .arg(realm, QStringLiteral("http://127.0.0.1:8080/a/long/path/to/the/protected/"
                                       "resource/on/this/server/index.html")));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(dialog.width(), width);
    QVERIFY(form.siteDescription->height() >= 2 * lineHeight);
    QVERIFY(form.siteDescription->geometry().right() <= dialog.rect().right());
}

QTEST_MAIN(tst_AuthenticationDialog)
#include "tst_authenticationdialog.moc"
