#include "CAboutDlg.h"
#include "CEmailOptionsDlg.h"
#include "CZorvelDlg.h"
#include "ControlById.h"
#include "MessageBoxes.h"
#include "MessageTextEdit.h"
#include "TestSendServices.h"
#include "TestStore.h"
#include "TurnFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// The window's buttons and the dialogs they open, driven as a host does.
class WindowCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstCharacterOfAnAddressEnablesTheBoxUnchecked();
    void browseReplacesTheFieldAndKeepsTheMessage();
    void cancellingTheFileDialogChangesNothing();
    void emailOptionsOkTakesTheValuesAndExitStoresThem();
    void emailOptionsCancelKeepsTheValues();
    void aboutOpensFromTheButtonAndTheSystemCommand();
    void enterInAnAddressFieldRunsExit();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();

private:
    void Open();
    QLineEdit* Edit(int id) const { return EditById(*m_window, id); }
    QCheckBox* Box(int id) const { return BoxById(*m_window, id); }
    // Runs `act` on the modal dialog that `open` brings up, once it is up.
    void WithModal(const std::function<void()>& open, const std::function<void(QWidget*)>& act);
    std::string Stored(const char* section, const char* name) const {
        return m_store.Open()->ReadStoreText(section, name, "");
    }

    QTemporaryDir m_folder;
    TestStore m_store;
    TestSendServices m_sendServices;
    std::unique_ptr<CZorvelDlg> m_window;
};

void WindowCommandsTest::initTestCase() {
    // A platform's own file dialog takes no key clicks; Qt's takes them everywhere.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

void WindowCommandsTest::init() {
    m_store.Clear();
    MessageBoxes::SetAnswerer([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
    Open();
}

void WindowCommandsTest::cleanup() {
    m_window.reset();
    MessageBoxes::SetAnswerer({});
}

void WindowCommandsTest::Open() {
    m_window.reset();
    m_window = std::make_unique<CZorvelDlg>(m_store.Open(), m_sendServices.Services(),
                                            MailLibraryChoice::Fixed("no-mail-library-here"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void WindowCommandsTest::WithModal(const std::function<void()>& open,
                                   const std::function<void(QWidget*)>& act) {
    bool acted = false;
    // Owns the pending call, so a dialog that never opens leaves none behind.
    const QObject scope;
    QTimer::singleShot(0, &scope, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        QVERIFY(modal != m_window.get());
        QVERIFY(QTest::qWaitForWindowExposed(modal));
        act(modal);
        acted = true;
    });
    open();
    QVERIFY(acted);
}

void WindowCommandsTest::firstCharacterOfAnAddressEnablesTheBoxUnchecked() {
    m_window->Controls().gameSelector->setEditText(QStringLiteral("duel"));
    QTest::keyClicks(Edit(1008), QStringLiteral("c"));
    QVERIFY(Box(1009)->isEnabled());
    QVERIFY(!Box(1009)->isChecked());
    QCOMPARE(Edit(1010)->text(), QString());

    QTest::mouseClick(Box(1009), Qt::LeftButton);
    QCOMPARE(Edit(1010)->text(), QString());

    QTest::keyClicks(Edit(1002), QStringLiteral("d"));
    QTest::mouseClick(Box(1009), Qt::LeftButton);
    QTest::mouseClick(Box(1009), Qt::LeftButton);
    QCOMPARE(Edit(1010)->text(),
             QStringLiteral("d/duel.m3").replace('/', QChar::fromLatin1(kPathSeparator)));
}

void WindowCommandsTest::browseReplacesTheFieldAndKeepsTheMessage() {
    const QString chosen = m_folder.filePath(QStringLiteral("rules.txt"));
    QFile file(chosen);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QTest::keyClicks(m_window->Controls().message, QStringLiteral("typed before"));
    Edit(1053)->setText(QStringLiteral("old1;old2"));

    WithModal([this] { QTest::mouseClick(m_window->Controls().browse, Qt::LeftButton); },
              [&chosen](QWidget* modal) {
                  auto* dialog = qobject_cast<QFileDialog*>(modal);
                  QVERIFY(dialog);
                  QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
                  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                  QVERIFY(name);
                  QTest::keyClicks(name, chosen);
                  QTest::keyClick(name, Qt::Key_Return);
              });
    QCOMPARE(Edit(1053)->text(), QDir::toNativeSeparators(chosen));
    QVERIFY(Box(1059)->isEnabled());
    QVERIFY(!Box(1059)->isChecked());
    QCOMPARE(m_window->Controls().message->toPlainText(), QStringLiteral("typed before"));
}

void WindowCommandsTest::cancellingTheFileDialogChangesNothing() {
    Edit(1053)->setText(QStringLiteral("kept"));
    WithModal([this] { QTest::mouseClick(m_window->Controls().browse, Qt::LeftButton); },
              [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QCOMPARE(Edit(1053)->text(), QStringLiteral("kept"));
}

void WindowCommandsTest::emailOptionsOkTakesTheValuesAndExitStoresThem() {
    WithModal([this] { QTest::mouseClick(m_window->Controls().emailOptions, Qt::LeftButton); },
              [](QWidget* modal) {
                  QVERIFY(qobject_cast<CEmailOptionsDlg*>(modal));
                  auto* profile = modal->findChild<QLineEdit*>(QStringLiteral("1053"));
                  QTest::keyClicks(profile, QStringLiteral("smtp://host"));
                  QTest::keyClick(profile, Qt::Key_Return);
              });
    QCOMPARE(m_window->Mail().mailProfile, std::string("smtp://host"));
    QCOMPARE(Stored("Settings", "Mail Profile"), std::string());
    QTest::mouseClick(m_window->Controls().exit, Qt::LeftButton);
    QCOMPARE(Stored("Settings", "Mail Profile"), std::string("smtp://host"));
}

void WindowCommandsTest::emailOptionsCancelKeepsTheValues() {
    m_window->Mail().password = "secret";
    WithModal([this] { QTest::mouseClick(m_window->Controls().emailOptions, Qt::LeftButton); },
              [](QWidget* modal) {
                  auto* password = modal->findChild<QLineEdit*>(QStringLiteral("1054"));
                  QCOMPARE(password->echoMode(), QLineEdit::Password);
                  password->clear();
                  QTest::keyClicks(password, QStringLiteral("other"));
                  QTest::keyClick(password, Qt::Key_Escape);
              });
    QCOMPARE(m_window->Mail().password, std::string("secret"));
}

void WindowCommandsTest::aboutOpensFromTheButtonAndTheSystemCommand() {
    const auto closeAbout = [this](QWidget* modal) {
        QVERIFY(qobject_cast<CAboutDlg*>(modal));
        QVERIFY(m_window->isVisible());
        QTest::keyClick(modal, Qt::Key_Escape);
    };
    WithModal([this] { QTest::mouseClick(m_window->Controls().about, Qt::LeftButton); },
              closeAbout);
    WithModal([this] { QVERIFY(m_window->OnSystemCommand(16)); }, closeAbout);
    WithModal([this] { QVERIFY(m_window->OnSystemCommand(23)); }, closeAbout);
    QVERIFY(!m_window->OnSystemCommand(0xF060));
    QVERIFY(m_window->isVisible());
}

void WindowCommandsTest::enterInAnAddressFieldRunsExit() {
    m_window->Controls().gameSelector->setEditText(QStringLiteral("duel"));
    QTest::keyClicks(Edit(1001), QStringLiteral("ann@example.org"));
    QTest::keyClick(Edit(1001), Qt::Key_Return);
    QCOMPARE(m_window->result(), int(QDialog::Accepted));
    QCOMPARE(Stored("Settings", "LastGame"), std::string("duel"));
    QCOMPARE(Stored("duel", "Email0"), std::string("ann@example.org"));
}

void WindowCommandsTest::enterPressesTheFocusedButton_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("opensDialog");
    QTest::newRow("Send Files") << 1000 << false;
    QTest::newRow("Delete") << 1065 << false;
    QTest::newRow("Email Options") << 1052 << true;
    QTest::newRow("About Zorvel") << 1057 << true;
    QTest::newRow("...") << 1060 << true;
}

void WindowCommandsTest::enterPressesTheFocusedButton() {
    QFETCH(int, id);
    QFETCH(bool, opensDialog);
    auto* button = ControlById<QPushButton>(*m_window, id);
    const QSignalSpy pressed(button, &QPushButton::clicked);
    button->setFocus(Qt::TabFocusReason);
    const auto press = [button] { QTest::keyClick(button, Qt::Key_Return); };
    if (opensDialog) {
        WithModal(press, [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    } else {
        press();
    }
    QCOMPARE(pressed.count(), 1);
    QVERIFY(m_window->isVisible());

    // Once the button has lost the focus, Enter in a field is Exit's again.
    Edit(1001)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Edit(1001), Qt::Key_Return);
    QCOMPARE(m_window->result(), int(QDialog::Accepted));
}

QTEST_MAIN(WindowCommandsTest)
#include "WindowCommandsTest.moc"
