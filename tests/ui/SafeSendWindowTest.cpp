#include "CZorvelDlg.h"
#include "ControlById.h"
#include "MessageBoxes.h"
#include "ScriptedMapi.h"
#include "SendProgressDlg.h"
#include "SendRecord.h"
#include "TestSendServices.h"
#include "TestStore.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The checks, progress, outcome and menus of "Send Files", in the real window
// with a scripted mail library and real turn files.
class SafeSendWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void cancelSaysWhoGotHisTurnAndSendsTheRest();
    void theSameTurnAgainIsHeldUntilTheHostSaysSo();
    void aRowsMenuSendsThatPlayerAloneAndShowsWhatHeGot();
    void theSendFilesMenuChecksWithoutSending();
    void theSendFilesMenuSendsThoseALostRunDidNotReach();

private:
    // Players `numbers` ticked, with addresses and turn files of `size` bytes.
    void OpenGame(const QList<int>& numbers, int size = 1'300'000);
    QLineEdit* Email(int number) const { return m_window->Controls().Row(number).email; }
    // Opens `widget`'s context menu and finds `entry` in it.
    QAction* MenuEntry(QWidget* widget, const QString& entry);
    QStringList Recipients() const;

    QTemporaryDir m_folder;
    TestStore m_store;
    TestSendServices m_sendServices;
    std::unique_ptr<ScriptedMapi> m_mapi;
    std::unique_ptr<CZorvelDlg> m_window;
    QList<MessageBoxes::Request> m_boxes;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
};

void SafeSendWindowTest::init() {
    m_sendServices.Clear();
    m_store.Clear();
    m_boxes.clear();
    m_answer = QMessageBox::Ok;
    MessageBoxes::SetAnswerer([this](const MessageBoxes::Request& request) {
        m_boxes << request;
        return request.buttons.testFlag(m_answer) ? m_answer : request.defaultButton;
    });
    m_mapi = std::make_unique<ScriptedMapi>(SCRIPTED_MAPI);
}

void SafeSendWindowTest::cleanup() {
    m_window.reset();
    m_mapi.reset();
    MessageBoxes::SetAnswerer({});
}

void SafeSendWindowTest::OpenGame(const QList<int>& numbers, int size) {
    m_window = std::make_unique<CZorvelDlg>(m_store.Open(), m_sendServices.Services(),
                                            MailLibraryChoice::Fixed(SCRIPTED_MAPI));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QString games = QDir::toNativeSeparators(m_folder.filePath("games"));
    QDir().mkpath(games);
    m_window->Controls().gameSelector->setEditText("alpha");
    m_window->Controls().directory->setText(games);
    emit m_window->Controls().directory->textEdited(games);
    for (const int number : numbers) {
        QFile turn(m_folder.filePath(QString("games/alpha.m%1").arg(number)));
        QVERIFY(turn.open(QIODevice::WriteOnly) && turn.write(QByteArray(size, char(number))));
        const QString address = QString("p%1@example.org").arg(number);
        Email(number)->setText(address);
        emit Email(number)->textEdited(address);
        QTest::mouseClick(m_window->Controls().Row(number).send, Qt::LeftButton);
    }
}

QAction* SafeSendWindowTest::MenuEntry(QWidget* widget, const QString& entry) {
    // What a right-click or the menu key delivers (QTest's clicks bypass it).
    const QPoint at(5, 5);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &request);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) {
        qWarning("no menu opened");
        return nullptr;
    }
    for (QAction* action : menu->actions()) {
        if (action->text() == entry) {
            return action;
        }
    }
    qWarning("no entry %s", qPrintable(entry));
    return nullptr;
}

QStringList SafeSendWindowTest::Recipients() const {
    QStringList recipients;
    for (const SeenCall& call : m_mapi->CallsTo("MAPISendMail")) {
        recipients << Shown(call.message->recipients.at(0).name).remove("Resolved ");
    }
    return recipients;
}

void SafeSendWindowTest::cancelSaysWhoGotHisTurnAndSendsTheRest() {
    OpenGame({1, 3, 4});
    SendProgressDlg& progress = m_window->ProgressWindow();
    QStringList steps;
    connect(&progress, &SendProgressDlg::StepShown, this, [&](int number) {
        steps << progress.findChild<QLabel*>()->text();
        QVERIFY(progress.isVisible());
        if (number == 2 && steps.size() == 2) {
            QTest::mouseClick(progress.findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    m_answer = QMessageBox::Retry;

    QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);

    QCOMPARE(steps.first(), "Sending 1 of 3: Player 1, p1@example.org (alpha.m1, 1.2 MB)");
    QCOMPARE(m_boxes.size(), 2);
    QCOMPARE(m_boxes[0].text, "Sent: Player 1. Not sent: Players 3, 4.");
    QCOMPARE(m_boxes[0].buttonTexts.value(QMessageBox::Retry), "Send to those not sent");
    QCOMPARE(m_boxes[1].text, "2 Messages sent successfully");
    QCOMPARE(Recipients(), (QStringList{"p1@example.org", "p3@example.org", "p4@example.org"}));
    QCOMPARE(steps.last(), "Sending 2 of 2: Player 4, p4@example.org (alpha.m4, 1.2 MB)");
    QVERIFY(!progress.isVisible());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void SafeSendWindowTest::theSameTurnAgainIsHeldUntilTheHostSaysSo() {
    OpenGame({2});
    QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);
    m_answer = QMessageBox::Cancel;

    QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);

    QCOMPARE(m_boxes.size(), 2);
    const MessageBoxes::Request& warning = m_boxes[1];
    QVERIFY(warning.text.startsWith("Player 2: alpha.m2 is the same file as sent on "));
    QVERIFY(warning.text.endsWith(": last turn's?"));
    QCOMPARE(warning.defaultButton, QMessageBox::Cancel);
    QCOMPARE(warning.buttonTexts.value(QMessageBox::Yes), "Send anyway");
    QCOMPARE(Recipients().size(), 1);

    m_answer = QMessageBox::Yes;
    QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);
    QCOMPARE(Recipients().size(), 2);
}

void SafeSendWindowTest::aRowsMenuSendsThatPlayerAloneAndShowsWhatHeGot() {
    OpenGame({2, 5});
    QTest::mouseClick(m_window->Controls().Row(5).send, Qt::LeftButton); // row 5 unticked

    QAction* sendOne = MenuEntry(Email(5), "Send to Player 5 only");
    QVERIFY(sendOne && sendOne->isEnabled());
    sendOne->trigger();

    QCOMPARE(Recipients(), QStringList{"p5@example.org"});
    QVERIFY(!m_window->Controls().Row(5).send->isChecked());
    QVERIFY(m_window->Controls().Row(2).send->isChecked());
    QVERIFY(!MenuEntry(Email(7), "Send to Player 7 only")->isEnabled()); // no address

    QStringList rows;
    QTimer::singleShot(0, this, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QTableWidget* table = dialog ? dialog->findChild<QTableWidget*>() : nullptr;
        for (int row = 0; table && row < table->rowCount(); ++row) {
            rows << table->item(row, 1)->text() + " " + table->item(row, 3)->text() + " " +
                        table->item(row, 4)->text();
        }
        if (dialog) {
            dialog->close();
        }
    });
    QAction* history = MenuEntry(Email(5), "What was sent to Player 5...");
    QVERIFY(history);
    history->trigger();
    QCOMPARE(rows, QStringList{"5 alpha.m5 (1.2 MB) sent"});
}

void SafeSendWindowTest::theSendFilesMenuChecksWithoutSending() {
    OpenGame({1, 6});
    QVERIFY(QFile::remove(m_folder.filePath("games/alpha.m6")));
    QPushButton* sendFiles = m_window->Controls().sendFiles;
    QVERIFY(!MenuEntry(sendFiles, "Send a test message to me")->isEnabled());

    MenuEntry(sendFiles, "Check turn files")->trigger();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].text,
             "Player 6: " + QDir::toNativeSeparators(m_folder.filePath("games/alpha.m6")) +
                 " not found\n\nThese must be mended before anything can be sent.");

    QFile turn(m_folder.filePath("games/alpha.m6"));
    QVERIFY(turn.open(QIODevice::WriteOnly) && turn.write("6") == 1);
    turn.close();
    MenuEntry(sendFiles, "Check turn files")->trigger();
    QCOMPARE(m_boxes[1].text, "These messages would go out:\n"
                              "Player 1, p1@example.org: alpha.m1 (1.2 MB)\n"
                              "Player 6, p6@example.org: alpha.m6 (1 byte)");
    QVERIFY(m_mapi->CallsTo("MAPILogon").empty());
}

void SafeSendWindowTest::theSendFilesMenuSendsThoseALostRunDidNotReach() {
    OpenGame({1, 3, 4});
    QPushButton* sendFiles = m_window->Controls().sendFiles;
    QAction* rest = MenuEntry(sendFiles, "Send to those not sent");
    QVERIFY(rest && !rest->isEnabled()); // no run yet

    // What a run leaves when it dies while the mail system has Player 3's message.
    SendServices services = m_sendServices.Services();
    using Event = RecordLine::Event;
    for (const auto& [event, player] : {std::pair{Event::Planned, 1},
                                        {Event::Planned, 3},
                                        {Event::Planned, 4},
                                        {Event::Handover, 1},
                                        {Event::Sent, 1},
                                        {Event::Handover, 3}}) {
        const RecordLine line{1'764'965'643,
                              1,
                              event,
                              "alpha",
                              player,
                              "p" + std::to_string(player) + "@example.org",
                              0,
                              "",
                              {}};
        std::string problem;
        QVERIFY2(services.record.Append({FormatRecordLine(line)}, problem), problem.c_str());
    }
    rest = MenuEntry(sendFiles, "Send to those not sent");
    QVERIFY(rest && rest->isEnabled());
    rest->trigger();

    QCOMPARE(Recipients(), (QStringList{"p3@example.org", "p4@example.org"}));
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].text, "2 Messages sent successfully");
    QVERIFY(!MenuEntry(sendFiles, "Send to those not sent")->isEnabled());
}

QTEST_MAIN(SafeSendWindowTest)
#include "SafeSendWindowTest.moc"
