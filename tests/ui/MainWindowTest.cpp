#include "CZorvelDlg.h"
#include "ControlById.h"
#include "MessageBoxes.h"
#include "MessageTextEdit.h"
#include "TestSendServices.h"
#include "TestStore.h"
#include "TurnFile.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

namespace {

const QString kSep(QChar::fromLatin1(kPathSeparator));

// Counts the sizes a list asks of its entries; the list's own delegate still
// measures and draws them.
class MeasureCounter : public QAbstractItemDelegate {
public:
    explicit MeasureCounter(QAbstractItemDelegate* own) : m_own(own) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        m_own->paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        ++m_measured;
        return m_own->sizeHint(option, index);
    }
    int Measured() const { return m_measured; }

private:
    QAbstractItemDelegate* m_own;
    mutable int m_measured = 0;
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyControlIsFoundByItsIdInTabOrder();
    void aClickedTurnFileFieldTakesTheFocusForCopying();
    void aDisabledControlShowsNoToolTip_data();
    void aDisabledControlShowsNoToolTip();
    void theDroppedDownListShowsSevenGames();
    void droppingDownThousandsOfGamesMeasuresFewOfThem();
    void typingKeepsTheCaretAndUpdatesTheRow();
    void messageTextLimit_data();
    void messageTextLimit();
    void typingAndPastingStopAtTheLimit();
    void enterPressesExitAndCtrlEnterBreaksTheLine();
    void outOfRangeFlagsBecomeZero();
    void selectorWriteRule();
    void anExchangeRunsNoHandler();
    void addressHandlerKeepsTheRowConsistent();
    void directoryAndFilePathHandlers();
    void escapeRejects();
    void aBlockedWindowTakesNoInput();
    void writesAScreenshot();

private:
    QLineEdit* Edit(int id) const { return EditById(*m_window, id); }
    QCheckBox* Box(int id) const { return BoxById(*m_window, id); }

    TestStore m_store;
    TestSendServices m_sendServices;
    std::unique_ptr<CZorvelDlg> m_window;
    QStringList m_messages;
};

void MainWindowTest::init() {
    m_messages.clear();
    MessageBoxes::SetAnswerer([this](const MessageBoxes::Request& request) {
        m_messages << request.text;
        return QMessageBox::Ok;
    });
    m_store.Clear();
    m_window = std::make_unique<CZorvelDlg>(m_store.Open(), m_sendServices.Services(),
                                            MailLibraryChoice::Fixed("no-mail-library-here"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void MainWindowTest::cleanup() {
    m_window.reset();
    MessageBoxes::SetAnswerer({});
}

void MainWindowTest::everyControlIsFoundByItsIdInTabOrder() {
    QList<int> expected;
    const int rows[][2] = {{1001, 1003}, {1004, 1005}, {1008, 1009}, {1011, 1012},
                           {1014, 1015}, {1017, 1018}, {1020, 1021}, {1023, 1024},
                           {1025, 1026}, {1029, 1030}, {1032, 1033}, {1035, 1036},
                           {1038, 1039}, {1041, 1042}, {1044, 1045}, {1047, 1048}};
    for (const auto& row : rows) {
        expected << row[0] << row[1];
    }
    // "&Help" is disabled, so tabbing passes it by.
    expected << 1002 << 1051 << 1059 << 1053 << 1060 << 1000 << 1052 << 1 << 1057 << 1050 << 1065;

    QList<int> visited;
    QWidget* widget = Edit(1001);
    widget->setFocus();
    for (int step = 0; step < expected.size(); ++step) {
        QWidget* focus = QApplication::focusWidget();
        while (focus && focus->parentWidget() != m_window.get()) {
            focus = focus->parentWidget();
        }
        QVERIFY(focus);
        visited << focus->objectName().toInt();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, expected);
    QVERIFY(!ControlById<QPushButton>(*m_window, 57670)->isEnabled());
    QVERIFY(ControlById<QPushButton>(*m_window, 57670)->isVisible());
    QVERIFY(ControlById<QPushButton>(*m_window, 1)->isDefault());
    QCOMPARE(ControlById<QPushButton>(*m_window, 1)->text(), QStringLiteral("E&xit "));
    QVERIFY(Edit(1006)->isReadOnly());
    QCOMPARE(Edit(1028)->toolTip(), QStringLiteral("This file will be sent to Player 9"));
    QCOMPARE(m_window->Controls().about->toolTip(),
             QStringLiteral("Information about Zorvel and halvane software, inc."));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Zorvel"));
}

void MainWindowTest::aClickedTurnFileFieldTakesTheFocusForCopying() {
    m_window->Game().Player(1).turnFile = "games/alpha.m1";
    m_window->WriteControls();
    QGuiApplication::clipboard()->clear();
    QLineEdit* turnFile = Edit(1006);
    QTest::mouseClick(turnFile, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), turnFile);
    QTest::keyClick(turnFile, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(turnFile, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("games/alpha.m1"));
}

void MainWindowTest::aDisabledControlShowsNoToolTip_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed"); // into the field that enables the control
    QTest::addColumn<bool>("enabled");
    QTest::newRow("Help") << 57670 << 0 << QString() << false;
    QTest::newRow("Send, disabled") << 1003 << 1001 << "x\b" << false;
    QTest::newRow("Send, enabled again") << 1003 << 1001 << "x\bx" << true;
    QTest::newRow("Files, disabled") << 1059 << 1053 << "x\b" << false;
    QTest::newRow("Files, enabled again") << 1059 << 1053 << "x\bx" << true;
}

void MainWindowTest::aDisabledControlShowsNoToolTip() {
    QFETCH(int, id);
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(bool, enabled);
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    if (field != 0) {
        QTest::keyClicks(Edit(field), typed);
    }
    auto* control = ControlById<QWidget>(*m_window, id);
    QCOMPARE(control->isEnabled(), enabled);
    QVERIFY(!control->toolTip().isEmpty());
    const QPoint centre = control->rect().center();
    QHelpEvent hover(QEvent::ToolTip, centre, control->mapToGlobal(centre));
    QApplication::sendEvent(control, &hover);
    QCOMPARE(QToolTip::isVisible() && QToolTip::text() == control->toolTip(), enabled);
}

void MainWindowTest::theDroppedDownListShowsSevenGames() {
    QComboBox* selector = m_window->Controls().gameSelector;
    for (int number = 1; number <= 12; ++number) {
        selector->addItem(QStringLiteral("game %1").arg(number));
    }
    selector->showPopup();
    QAbstractItemView* view = selector->view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    int whole = 0;
    for (int row = 0; row < selector->count(); ++row) {
        whole += view->viewport()->rect().contains(view->visualRect(view->model()->index(row, 0)));
    }
    QCOMPARE(whole, 7);
}

void MainWindowTest::droppingDownThousandsOfGamesMeasuresFewOfThem() {
    QComboBox* selector = m_window->Controls().gameSelector;
    for (int number = 1; number <= 2000; ++number) {
        selector->addItem(QStringLiteral("game %1").arg(number));
    }
    QAbstractItemView* view = selector->view();
    QAbstractItemDelegate* own = view->itemDelegate();
    MeasureCounter counter(own);
    view->setItemDelegate(&counter);
    selector->showPopup();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    // The list lays out what it has not shown yet in batches, one each turn of the event loop.
    QTest::qWait(200);
    selector->hidePopup();
    view->setItemDelegate(own);
    QVERIFY2(counter.Measured() < 100, qPrintable(QString::number(counter.Measured())));
}

void MainWindowTest::typingKeepsTheCaretAndUpdatesTheRow() {
    QLineEdit* email = Edit(1008);
    QTest::keyClicks(email, QStringLiteral("ann@example.org"));
    email->setCursorPosition(3);
    QTest::keyClicks(email, QStringLiteral("ie"));
    QCOMPARE(email->text(), QStringLiteral("annie@example.org"));
    QCOMPARE(email->cursorPosition(), 5);
    QCOMPARE(m_window->Game().Player(3).email, std::string("annie@example.org"));
}

void MainWindowTest::messageTextLimit_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("220 accepted") << 220 << true;
    QTest::newRow("221 refused") << 221 << false;
}

void MainWindowTest::messageTextLimit() {
    QFETCH(int, length);
    QFETCH(bool, accepted);
    GameRecord& game = m_window->Game();
    game.notes = std::string(static_cast<std::size_t>(length), 'x');
    game.filePath = "old path";
    game.name = "old name";
    m_window->WriteControls();
    QCOMPARE(m_window->Controls().message->toPlainText().size(), length);

    Edit(1053)->setText(QStringLiteral("new path"));
    m_window->Controls().gameSelector->setEditText(QStringLiteral("new name"));
    QCOMPARE(m_window->ReadControls(), accepted);
    if (accepted) {
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(game.filePath, std::string("new path"));
        return;
    }
    QCOMPARE(m_messages, QStringList{QStringLiteral("Please enter no more than 220 characters.")});
    QCOMPARE(game.notes.size(), std::size_t(221));
    QCOMPARE(game.filePath, std::string("old path"));
    QCOMPARE(game.name, std::string("old name"));
    QCOMPARE(QApplication::focusWidget(), m_window->Controls().message);
    QCOMPARE(m_window->Controls().message->textCursor().selectedText().size(), 221);
}

void MainWindowTest::typingAndPastingStopAtTheLimit() {
    MessageTextEdit* message = m_window->Controls().message;
    message->setFocus();
    QTest::keyClicks(message, QString(225, QLatin1Char('a')));
    QCOMPARE(message->toPlainText().size(), 220);

    message->selectAll();
    QTest::keyClicks(message, QStringLiteral("b"));
    QCOMPARE(message->toPlainText(), QStringLiteral("b"));
    QGuiApplication::clipboard()->setText(QString(300, QLatin1Char('c')));
    message->paste();
    QCOMPARE(message->toPlainText().size(), 220);
}

void MainWindowTest::enterPressesExitAndCtrlEnterBreaksTheLine() {
    MessageTextEdit* message = m_window->Controls().message;
    QTest::keyClicks(message, QStringLiteral("one"));
    QTest::keyClick(message, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(message, QStringLiteral("two"));
    QCOMPARE(message->toPlainText(), QStringLiteral("one\ntwo"));
    QVERIFY(m_window->isVisible());

    QTest::keyClick(message, Qt::Key_Return);
    QCOMPARE(m_window->result(), int(QDialog::Accepted));
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->Game().notes, std::string("one\ntwo"));
}

void MainWindowTest::outOfRangeFlagsBecomeZero() {
    GameRecord& game = m_window->Game();
    game.Player(4).send = 5;
    game.Player(5).send = 1;
    game.addFile = -1;
    m_window->WriteControls();
    QCOMPARE(game.Player(4).send, 0);
    QCOMPARE(Box(1012)->checkState(), Qt::Unchecked);
    QCOMPARE(Box(1015)->checkState(), Qt::Checked);
    QCOMPARE(game.addFile, 0);
    m_window->ReadControls();
    QCOMPARE(game.Player(4).send, 0);
    QCOMPARE(game.Player(5).send, 1);
}

void MainWindowTest::selectorWriteRule() {
    QComboBox* selector = m_window->Controls().gameSelector;
    selector->addItems({QStringLiteral("Abc"), QStringLiteral("Beta")});
    const int abc = selector->findText(QStringLiteral("Abc"));
    const int beta = selector->findText(QStringLiteral("Beta"));
    selector->setCurrentIndex(beta);
    GameRecord& game = m_window->Game();

    game.name = "ab";
    m_window->WriteControls();
    QCOMPARE(selector->currentIndex(), abc);
    QCOMPARE(selector->currentText(), QStringLiteral("Abc"));
    m_window->ReadControls();
    QCOMPARE(game.name, std::string("Abc"));

    game.name = "zeta";
    m_window->WriteControls();
    QCOMPARE(selector->currentIndex(), abc);
    QCOMPARE(selector->currentText(), QStringLiteral("zeta"));

    game.name.clear();
    m_window->WriteControls();
    QCOMPARE(selector->currentText(), QString());
}

void MainWindowTest::anExchangeRunsNoHandler() {
    GameRecord& game = m_window->Game();
    game.directory = "d";
    game.name = "g";
    game.Player(3).email = "p3@example.org";
    game.Player(3).send = 1;
    QSignalSpy edited(Edit(1008), &QLineEdit::textEdited);
    m_window->WriteControls();
    QCOMPARE(edited.count(), 0);
    // A handler would have derived row 3's turn file.
    QCOMPARE(Edit(1010)->text(), QString());
    QCOMPARE(game.Player(3).turnFile, std::string());
}

void MainWindowTest::addressHandlerKeepsTheRowConsistent() {
    QCheckBox* box = Box(1009);
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked());
    QTest::keyClicks(Edit(1008), QStringLiteral("a"));
    QVERIFY(box->isEnabled());
    QVERIFY(box->isChecked());
    QCOMPARE(Edit(1010)->text(), kSep + QStringLiteral(".m3"));

    QTest::keyClick(Edit(1008), Qt::Key_Backspace);
    QVERIFY(!box->isEnabled());
    QVERIFY(!box->isChecked());
    QCOMPARE(Edit(1010)->text(), QString());
    QCOMPARE(m_window->Game().Player(3).send, 0);
}

void MainWindowTest::directoryAndFilePathHandlers() {
    m_window->Controls().gameSelector->setEditText(QStringLiteral("alpha"));
    QTest::keyClicks(Edit(1001), QStringLiteral("p1@example.org"));
    QTest::mouseClick(Box(1003), Qt::LeftButton);
    QTest::keyClicks(Edit(1002), QStringLiteral("games"));
    QCOMPARE(Edit(1006)->text(), QStringLiteral("games") + kSep + QStringLiteral("alpha.m1"));

    Edit(1002)->selectAll();
    QTest::keyClick(Edit(1002), Qt::Key_Delete);
    QCOMPARE(Edit(1006)->text(), QStringLiteral("games") + kSep + QStringLiteral("alpha.m1"));

    QCheckBox* files = Box(1059);
    QTest::keyClicks(Edit(1053), QStringLiteral("r"));
    QVERIFY(files->isEnabled());
    QTest::mouseClick(files, Qt::LeftButton);
    QVERIFY(files->isChecked());
    QTest::keyClick(Edit(1053), Qt::Key_Backspace);
    QVERIFY(!files->isEnabled());
    QVERIFY(!files->isChecked());
    QTest::keyClicks(Edit(1053), QStringLiteral("s"));
    QVERIFY(files->isEnabled());
    QVERIFY(!files->isChecked());
}

void MainWindowTest::escapeRejects() {
    QTest::keyClicks(Edit(1001), QStringLiteral("x@y"));
    QTest::keyClick(Edit(1001), Qt::Key_Escape);
    QCOMPARE(m_window->result(), int(QDialog::Rejected));
    QVERIFY(!m_window->isVisible());
}

void MainWindowTest::aBlockedWindowTakesNoInput() {
    QLineEdit* email = Edit(1001);
    email->setFocus();
    m_window->Block();
    QCOMPARE(QApplication::focusWidget(), nullptr);
    QTest::keyClicks(email, QStringLiteral("typed"));
    QTest::mouseClick(Box(1003), Qt::LeftButton);
    QTest::mouseClick(m_window->Controls().exit, Qt::LeftButton);
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(m_window->isVisible());
    QCOMPARE(email->text(), QString());
    QVERIFY(!Box(1003)->isChecked());

    // Message boxes are windows of their own and still answer.
    QVERIFY(m_messages.isEmpty());
    m_window->ShowMessage("still shown");
    QCOMPARE(m_messages, QStringList{QStringLiteral("still shown")});

    m_window->GiveBack();
    QTest::keyClicks(email, QStringLiteral("typed"));
    QCOMPARE(email->text(), QStringLiteral("typed"));
    QTest::mouseClick(Box(1003), Qt::LeftButton);
    QVERIFY(Box(1003)->isChecked());
}

void MainWindowTest::writesAScreenshot() {
    GameRecord& game = m_window->Game();
    game.name = "alpha";
    game.directory = QDir::homePath().toStdString();
    game.notes = "Turn 12 is out. Good luck!";
    const char* addresses[] = {"ann@example.org", "bo@example.org", "cy@example.org"};
    for (int number = 1; number <= 3; ++number) {
        game.Player(number).email = addresses[number - 1];
        game.Player(number).send = 1;
        m_window->RefreshRow(number);
    }
    m_window->RefreshAllTurnFiles();
    m_window->WriteControls();
    const QString folder = QStringLiteral(ZORVEL_TEST_BINARY_DIR "/../screenshots");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(m_window->grab().save(folder + QStringLiteral("/main-window.png")));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
