#include "CZorvelDlg.h"
#include "ControlById.h"
#include "MessageBoxes.h"
#include "MessageTextEdit.h"
#include "TestSendServices.h"
#include "TestStore.h"
#include "TurnFile.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

// The store seen through the real main window, as a host uses it.
class StoredGamesTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void exitStoresTheGameAndTheNextStartShowsIt();
    void switchingFromAnUnlistedGameListsItAndStaysOnIt();
    void deleteAsksByNameAndShowsTheFirstStoredGame();
    void escapeStoresNothing();
    void aLastGameThatIsNotListedIsShownAndAddedToTheSelectorOnly();
    void anUnwritableStoreKeepsTheWindowOpenAtExit();
    void theMessageTextIsStoredAsLoadedAndTyped_data();
    void theMessageTextIsStoredAsLoadedAndTyped();

private:
    void Open();
    QLineEdit* Edit(int id) const { return EditById(*m_window, id); }
    QCheckBox* Box(int id) const { return BoxById(*m_window, id); }
    QComboBox* Selector() const { return m_window->Controls().gameSelector; }
    void TypeGameName(const QString& name);
    void Retype(QLineEdit* edit, const QString& text);
    // Starts the program, types a game with its directory, and leaves by Exit.
    void StoreGame(const QString& name, const QString& directory);
    void Pick(const QString& name);
    QStringList Listed() const;

    TestStore m_store;
    TestSendServices m_sendServices;
    std::unique_ptr<CZorvelDlg> m_window;
    QStringList m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
};

void StoredGamesTest::init() {
    m_store.Clear();
    m_messages.clear();
    m_answer = QMessageBox::Ok;
    MessageBoxes::SetAnswerer([this](const MessageBoxes::Request& request) {
        m_messages << request.text;
        return m_answer;
    });
}

void StoredGamesTest::cleanup() {
    m_window.reset();
    MessageBoxes::SetAnswerer({});
}

void StoredGamesTest::Open() {
    m_window.reset();
    m_window = std::make_unique<CZorvelDlg>(m_store.Open(), m_sendServices.Services(),
                                            MailLibraryChoice::Fixed("no-mail-library-here"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void StoredGamesTest::TypeGameName(const QString& name) {
    Selector()->lineEdit()->selectAll();
    QTest::keyClicks(Selector()->lineEdit(), name);
}

void StoredGamesTest::Retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void StoredGamesTest::StoreGame(const QString& name, const QString& directory) {
    Open();
    TypeGameName(name);
    Retype(Edit(1002), directory);
    QTest::mouseClick(m_window->Controls().exit, Qt::LeftButton);
    QCOMPARE(m_window->result(), int(QDialog::Accepted));
}

// Picks an entry from the dropped-down list, as the user does with the mouse.
void StoredGamesTest::Pick(const QString& name) {
    QComboBox* selector = Selector();
    const int index = selector->findText(name);
    QVERIFY(index >= 0);
    selector->showPopup();
    QAbstractItemView* view = selector->view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QRect item = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
}

QStringList StoredGamesTest::Listed() const {
    QStringList entries;
    for (int index = 0; index < Selector()->count(); ++index) {
        entries << Selector()->itemText(index);
    }
    return entries;
}

void StoredGamesTest::exitStoresTheGameAndTheNextStartShowsIt() {
    Open();
    QCOMPARE(Listed(), QStringList{QString()});
    TypeGameName(QStringLiteral("alpha"));
    QTest::keyClicks(Edit(1002), QStringLiteral("/games/alpha"));
    QTest::keyClicks(Edit(1001), QStringLiteral("ann@example.org"));
    QTest::mouseClick(Box(1003), Qt::LeftButton);
    QTest::keyClicks(Edit(1004), QStringLiteral("bo@example.org"));
    QTest::mouseClick(m_window->Controls().exit, Qt::LeftButton);
    QCOMPARE(m_window->result(), int(QDialog::Accepted));

    Open();
    QCOMPARE(Selector()->currentText(), QStringLiteral("alpha"));
    QCOMPARE(Listed(), QStringList{QStringLiteral("alpha")});
    QCOMPARE(Edit(1002)->text(), QStringLiteral("/games/alpha"));
    QCOMPARE(Edit(1001)->text(), QStringLiteral("ann@example.org"));
    QCOMPARE(Edit(1004)->text(), QStringLiteral("bo@example.org"));
    QVERIFY(Box(1003)->isChecked());
    QVERIFY(!Box(1005)->isChecked());
    QVERIFY(!Box(1009)->isEnabled());
    QCOMPARE(Edit(1006)->text(),
             QStringLiteral("/games/alpha") + QChar::fromLatin1(kPathSeparator) + "alpha.m1");
    QVERIFY(m_messages.isEmpty());
}

void StoredGamesTest::switchingFromAnUnlistedGameListsItAndStaysOnIt() {
    StoreGame(QStringLiteral("alpha"), QStringLiteral("/a"));
    Open();
    TypeGameName(QStringLiteral("beta"));
    Retype(Edit(1002), QStringLiteral("/b"));
    Pick(QStringLiteral("alpha"));
    QCOMPARE(Listed(), (QStringList{QStringLiteral("alpha"), QStringLiteral("beta")}));
    QCOMPARE(Selector()->currentText(), QStringLiteral("beta"));
    QCOMPARE(Edit(1002)->text(), QStringLiteral("/b"));

    Pick(QStringLiteral("alpha"));
    QCOMPARE(Selector()->currentText(), QStringLiteral("alpha"));
    QCOMPARE(Edit(1002)->text(), QStringLiteral("/a"));
    Pick(QStringLiteral("beta"));
    QCOMPARE(Edit(1002)->text(), QStringLiteral("/b"));
}

void StoredGamesTest::deleteAsksByNameAndShowsTheFirstStoredGame() {
    StoreGame(QStringLiteral("alpha"), QStringLiteral("/a"));
    StoreGame(QStringLiteral("beta"), QStringLiteral("/b"));
    Open();
    Pick(QStringLiteral("alpha"));
    QCOMPARE(Edit(1002)->text(), QStringLiteral("/a"));

    m_answer = QMessageBox::No;
    QTest::mouseClick(m_window->Controls().deleteGame, Qt::LeftButton);
    QCOMPARE(m_messages,
             QStringList{QStringLiteral(
                 "Are you sure you want to DELETE the game information for \"alpha\"?")});
    QCOMPARE(Listed().size(), 2);

    m_answer = QMessageBox::Yes;
    QTest::mouseClick(m_window->Controls().deleteGame, Qt::LeftButton);
    QCOMPARE(Listed(), QStringList{QStringLiteral("beta")});
    QCOMPARE(Selector()->currentText(), QStringLiteral("beta"));
    QCOMPARE(Edit(1002)->text(), QStringLiteral("/b"));
}

void StoredGamesTest::escapeStoresNothing() {
    Open();
    TypeGameName(QStringLiteral("gamma"));
    QTest::keyClicks(Edit(1001), QStringLiteral("cy@example.org"));
    QTest::keyClick(Edit(1001), Qt::Key_Escape);
    QCOMPARE(m_window->result(), int(QDialog::Rejected));
    Open();
    QCOMPARE(Selector()->currentText(), QString());
    QCOMPARE(Edit(1001)->text(), QString());
}

void StoredGamesTest::aLastGameThatIsNotListedIsShownAndAddedToTheSelectorOnly() {
    {
        const std::unique_ptr<ProfileStore> store = m_store.Open();
        store->WriteStoreText("Settings", "LastGame", "ghost");
        store->WriteStoreText("ghost", "Dir", "/g");
        store->WriteStoreText("Settings", "Game1", "alpha");
        store->WriteStoreInt("Settings", "GameCount", 1);
    }
    Open();
    QCOMPARE(Selector()->currentText(), QStringLiteral("ghost"));
    QCOMPARE(Edit(1002)->text(), QStringLiteral("/g"));
    QCOMPARE(Listed(), (QStringList{QStringLiteral("alpha"), QStringLiteral("ghost")}));
    m_window.reset();
    QCOMPARE(m_store.Open()->ReadStoreInt("Settings", "GameCount", 0), 1);
}

void StoredGamesTest::anUnwritableStoreKeepsTheWindowOpenAtExit() {
    m_store.Block();
    Open();
    TypeGameName(QStringLiteral("alpha"));
    QTest::keyClicks(Edit(1001), QStringLiteral("ann@example.org"));
    QTest::mouseClick(m_window->Controls().exit, Qt::LeftButton);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_window->isVisible());
    QCOMPARE(Edit(1001)->text(), QStringLiteral("ann@example.org"));
}

void StoredGamesTest::theMessageTextIsStoredAsLoadedAndTyped_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("caret");    // a position on screen, -1 the end
    QTest::addColumn<QString>("keys"); // '\n' is Ctrl+Enter, '\b' Backspace
    QTest::addColumn<QString>("expected");
    const QString nbsp(QChar(0xA0));
    const QString full = QStringLiteral("\r\n") + QString(217, QLatin1Char('x'));
    QTest::newRow("untouched") << "x\r\ny" + nbsp + "z\r" << -1 << QString()
                               << "x\r\ny" + nbsp + "z\r";
    QTest::newRow("no-break space typed") << "a" + nbsp + "b" << -1 << nbsp + "c"
                                          << "a" + nbsp + "b" + nbsp + "c";
    QTest::newRow("break typed after a CR LF") << "one\r\ntwo\rthree" << 5 << "\n"
                                               << "one\r\nt\nwo\rthree";
    QTest::newRow("LF after a CR LF deleted") << "a\r\nb\nc" << 4 << "\b"
                                              << "a\r\nbc";
    QTest::newRow("limit counts CR LF as two") << full << -1 << "yz" << full + "y";
}

void StoredGamesTest::theMessageTextIsStoredAsLoadedAndTyped() {
    QFETCH(QString, stored);
    QFETCH(int, caret);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    {
        const std::unique_ptr<ProfileStore> store = m_store.Open();
        store->WriteStoreText("Settings", "LastGame", "alpha");
        store->WriteStoreText("Settings", "Game1", "alpha");
        store->WriteStoreInt("Settings", "GameCount", 1);
        store->WriteStoreText("alpha", "Notes", stored.toStdString());
    }
    Open();
    MessageTextEdit* message = m_window->Controls().message;
    message->setFocus();
    message->moveCursor(QTextCursor::End);
    if (caret >= 0) {
        QTextCursor cursor = message->textCursor();
        cursor.setPosition(caret);
        message->setTextCursor(cursor);
    }
    for (const QChar key : keys) {
        if (key == QLatin1Char('\n')) {
            QTest::keyClick(message, Qt::Key_Return, Qt::ControlModifier);
        } else if (key == QLatin1Char('\b')) {
            QTest::keyClick(message, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(message, QString(key));
        }
    }
    QTest::mouseClick(m_window->Controls().exit, Qt::LeftButton);
    QCOMPARE(m_window->result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(m_store.Open()->ReadStoreText("alpha", "Notes", "")), expected);
}

QTEST_MAIN(StoredGamesTest)
#include "StoredGamesTest.moc"
