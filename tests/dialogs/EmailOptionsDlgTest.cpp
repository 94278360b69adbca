#include "CEmailOptionsDlg.h"
#include "ModalDriver.h"
#include "OwnerWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

QStringList Fields(const MailSettings& settings) {
    return {QString::fromStdString(settings.returnName),
            QString::fromStdString(settings.returnEmail),
            QString::fromStdString(settings.mailProfile), QString::fromStdString(settings.password),
            QString::number(settings.receipt)};
}

MailSettings Sample() {
    return {"Ann Host", "ann@example.org", "smtp://mail.example.org:587", "s3cret", 1};
}

QLineEdit* Edit(QDialog& dialog, const char* id) {
    return dialog.findChild<QLineEdit*>(QLatin1String(id));
}

QCheckBox* ReceiptBox(QDialog& dialog) {
    return dialog.findChild<QCheckBox*>(QStringLiteral("1055"));
}

// What a user does to replace a field's text: select it all, delete, type.
void Retype(QLineEdit* edit, const QString& text) {
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

void ClickButton(QDialog& dialog, const char* id) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QLatin1String(id)), Qt::LeftButton);
}

// Ends the dialog the way the row names.
void EndDialog(QDialog& dialog, const QString& way) {
    if (way == QLatin1String("OK button")) {
        ClickButton(dialog, "1");
    } else if (way == QLatin1String("Enter")) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else if (way == QLatin1String("Cancel button")) {
        ClickButton(dialog, "2");
    } else if (way == QLatin1String("Escape")) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    } else if (way == QLatin1String("close box")) {
        dialog.windowHandle()->close();
    } else {
        QFAIL("Unknown way to end the dialog");
    }
}

} // namespace

class EmailOptionsDlgTest : public QObject {
    Q_OBJECT

private slots:
    void endingTakesEditsOnlyOnOk_data();
    void endingTakesEditsOnlyOnOk();
    void okWithoutEditingHandsBackEveryField_data();
    void okWithoutEditingHandsBackEveryField();
    void okTakesEachEditedField_data();
    void okTakesEachEditedField();
    void receiptFlagShownAndTaken_data();
    void receiptFlagShownAndTaken();
    void receiptBoxTogglesOnClick_data();
    void receiptBoxTogglesOnClick();
    void passwordIsMasked();
    void focusStartsInReturnNameAndTabsInTemplateOrder();
    void ownerIsBlockedWhileOpen();
};

void EmailOptionsDlgTest::endingTakesEditsOnlyOnOk_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("result");
    QTest::newRow("OK button") << "OK button" << true << CEmailOptionsDlg::IdOk;
    QTest::newRow("Enter in the password") << "Enter" << true << CEmailOptionsDlg::IdOk;
    QTest::newRow("Cancel button") << "Cancel button" << false << CEmailOptionsDlg::IdCancel;
    QTest::newRow("Escape") << "Escape" << false << CEmailOptionsDlg::IdCancel;
    QTest::newRow("close box") << "close box" << false << CEmailOptionsDlg::IdCancel;
}

void EmailOptionsDlgTest::endingTakesEditsOnlyOnOk() {
    QFETCH(QString, way);
    QFETCH(bool, taken);
    QFETCH(int, result);
    const MailSettings edited{"Bob Newhost", "bob@new.example", "sendmail:/usr/sbin/sendmail",
                              "n3w pass", 0};
    MailSettings settings = Sample();
    ModalDriver driver([&](QDialog& dialog) {
        Retype(Edit(dialog, "1056"), QString::fromStdString(edited.returnName));
        Retype(Edit(dialog, "1057"), QString::fromStdString(edited.returnEmail));
        Retype(Edit(dialog, "1053"), QString::fromStdString(edited.mailProfile));
        Retype(Edit(dialog, "1054"), QString::fromStdString(edited.password));
        QTest::mouseClick(ReceiptBox(dialog), Qt::LeftButton);
        Edit(dialog, "1054")->setFocus();
        EndDialog(dialog, way);
    });

    QCOMPARE(RunEmailOptions(settings, nullptr), taken);
    QCOMPARE(driver.Result(), result);
    QCOMPARE(Fields(settings), Fields(taken ? edited : Sample()));
}

void EmailOptionsDlgTest::okWithoutEditingHandsBackEveryField_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("ordinary") << Fields(Sample());
    QTest::newRow("all empty") << Fields(MailSettings{});
    QTest::newRow("long and unusual texts") << QStringList{
        QString(40000, QLatin1Char('n')), QStringLiteral("  spaced@example.org  "),
        QStringLiteral("Profil für Jürgen & Co"),
        QStringLiteral("pässwörd \"'<>&%s") + QString(300, QLatin1Char('x')), QStringLiteral("1")};
}

void EmailOptionsDlgTest::okWithoutEditingHandsBackEveryField() {
    QFETCH(QStringList, fields);
    MailSettings settings{fields[0].toStdString(), fields[1].toStdString(), fields[2].toStdString(),
                          fields[3].toStdString(), fields[4].toInt()};
    ModalDriver driver([](QDialog& dialog) { ClickButton(dialog, "1"); });

    QVERIFY(RunEmailOptions(settings, nullptr));
    QCOMPARE(Fields(settings), fields);
}

void EmailOptionsDlgTest::okTakesEachEditedField_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("field");
    QTest::newRow("return name") << "1056"
                                 << "Carol Host" << 0;
    QTest::newRow("return email") << "1057"
                                  << "carol@example.net" << 1;
    QTest::newRow("emptied return email") << "1057"
                                          << "" << 1;
    QTest::newRow("mail profile") << "1053"
                                  << "smtp://carol@127.0.0.1:2525" << 2;
    QTest::newRow("password") << "1054"
                              << "p&ss w0rd! #1" << 3;
    QTest::newRow("long password") << "1054" << QString(300, QLatin1Char('k')) + "end" << 3;
}

// Each edit is bound to its own field: the typed text lands there and
// nowhere else.
void EmailOptionsDlgTest::okTakesEachEditedField() {
    QFETCH(QString, id);
    QFETCH(QString, typed);
    QFETCH(int, field);
    MailSettings settings = Sample();
    ModalDriver driver([&](QDialog& dialog) {
        Retype(Edit(dialog, id.toLatin1().constData()), typed);
        ClickButton(dialog, "1");
    });

    QVERIFY(RunEmailOptions(settings, nullptr));
    QStringList expected = Fields(Sample());
    expected[field] = typed;
    QCOMPARE(Fields(settings), expected);
}

void EmailOptionsDlgTest::receiptFlagShownAndTaken_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("afterOk");
    QTest::newRow("off") << 0 << int(Qt::Unchecked) << 0;
    QTest::newRow("on") << 1 << int(Qt::Checked) << 1;
    QTest::newRow("third state") << 2 << int(Qt::PartiallyChecked) << 2;
    QTest::newRow("5") << 5 << int(Qt::Unchecked) << 0;
    QTest::newRow("3") << 3 << int(Qt::Unchecked) << 0;
    QTest::newRow("negative") << -1 << int(Qt::Unchecked) << 0;
}

void EmailOptionsDlgTest::receiptFlagShownAndTaken() {
    QFETCH(int, stored);
    QFETCH(int, shown);
    QFETCH(int, afterOk);
    for (const char* button : {"2", "1"}) {
        MailSettings settings = Sample();
        settings.receipt = stored;
        ModalDriver driver([&](QDialog& dialog) {
            QCOMPARE(int(ReceiptBox(dialog)->checkState()), shown);
            ClickButton(dialog, button);
        });
        RunEmailOptions(settings, nullptr);
        QCOMPARE(settings.receipt, button == QLatin1String("1") ? afterOk : stored);
    }
}

void EmailOptionsDlgTest::receiptBoxTogglesOnClick_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("afterOk");
    QTest::newRow("off, one click") << 0 << 1 << 1;
    QTest::newRow("on, one click") << 1 << 1 << 0;
    QTest::newRow("off, three clicks") << 0 << 3 << 1;
    QTest::newRow("third state, one click") << 2 << 1 << 1;
    QTest::newRow("third state, two clicks") << 2 << 2 << 0;
    QTest::newRow("third state, three clicks") << 2 << 3 << 1;
}

// The box is a two-state box: a click never leads into the third state.
void EmailOptionsDlgTest::receiptBoxTogglesOnClick() {
    QFETCH(int, stored);
    QFETCH(int, clicks);
    QFETCH(int, afterOk);
    MailSettings settings = Sample();
    settings.receipt = stored;
    ModalDriver driver([&](QDialog& dialog) {
        for (int click = 0; click < clicks; ++click) {
            QTest::mouseClick(ReceiptBox(dialog), Qt::LeftButton);
        }
        ClickButton(dialog, "1");
    });

    QVERIFY(RunEmailOptions(settings, nullptr));
    QCOMPARE(settings.receipt, afterOk);
}

void EmailOptionsDlgTest::passwordIsMasked() {
    MailSettings settings = Sample();
    ModalDriver driver([&](QDialog& dialog) {
        QLineEdit* password = Edit(dialog, "1054");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QTest::keyClick(password, Qt::Key_End);
        QTest::keyClicks(password, QStringLiteral("-more"));
        const QString shown = password->displayText();
        QCOMPARE(shown.size(), QStringLiteral("s3cret-more").size());
        QCOMPARE(shown, QString(shown.size(), shown.front()));
        QVERIFY(!QStringLiteral("s3cret-more").contains(shown.front()));
        ClickButton(dialog, "1");
    });

    QVERIFY(RunEmailOptions(settings, nullptr));
    QCOMPARE(settings.password, std::string("s3cret-more"));
}

void EmailOptionsDlgTest::focusStartsInReturnNameAndTabsInTemplateOrder() {
    QStringList forward;
    QString backward;
    ModalDriver driver([&](QDialog&) {
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("1056"));
        for (int step = 0; step < 7; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            forward << QApplication::focusWidget()->objectName();
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        backward = QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    MailSettings settings = Sample();
    RunEmailOptions(settings, nullptr);

    QCOMPARE(forward, (QStringList{"1057", "1053", "1054", "1055", "1", "2", "1056"}));
    QCOMPARE(backward, QStringLiteral("2"));
}

void EmailOptionsDlgTest::ownerIsBlockedWhileOpen() {
    OwnerWindow owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QVERIFY(owner.ClickReachesButton());

    MailSettings settings = Sample();
    ModalDriver driver([&](QDialog& dialog) {
        QCOMPARE(dialog.parentWidget(), &owner);
        QVERIFY(!owner.ClickReachesButton());
        ClickButton(dialog, "2");
    });
    RunEmailOptions(settings, &owner);

    QCOMPARE(driver.Result(), CEmailOptionsDlg::IdCancel);
    QVERIFY(owner.ClickReachesButton());
}

QTEST_MAIN(EmailOptionsDlgTest)
#include "EmailOptionsDlgTest.moc"
