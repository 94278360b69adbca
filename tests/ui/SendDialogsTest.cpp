#include "MessageBoxes.h"
#include "SendHistoryDlg.h"
#include "SendProgressDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

using ButtonTexts = QMap<QMessageBox::StandardButton, QString>;
using Cancelling = std::function<void(SendProgressDlg&)>;
Q_DECLARE_METATYPE(Cancelling)

namespace {

// Times shown so that a test can tell which entry's time went where.
class LabelledClock : public SendClock {
public:
    std::int64_t Now() const override { return 0; }
    std::string Shown(std::int64_t utc) const override { return "at " + std::to_string(utc); }
};

QPushButton* ButtonNamed(const QWidget& parent, const QString& text) {
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

} // namespace

// The send run's progress box, the send record's window and message boxes
// with their own button captions, on real widgets.
class SendDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void cancelTakesEffectAtTheNextStepAndTheBoxStays_data();
    void cancelTakesEffectAtTheNextStepAndTheBoxStays();
    void aStepShowsItsTextWholeAndTheMessagesDone();
    void historyListsEachMessageInTheOrderGiven();
    void emptyHistorySaysSo();
    void boxesCaptionTheirButtonsAsAsked_data();
    void boxesCaptionTheirButtonsAsAsked();

private:
    std::unique_ptr<QWidget> m_window;
};

void SendDialogsTest::init() {
    m_window = std::make_unique<QWidget>();
    m_window->resize(300, 200);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void SendDialogsTest::cleanup() {
    m_window.reset();
    MessageBoxes::SetAnswerer({});
    while (QGuiApplication::overrideCursor()) {
        QGuiApplication::restoreOverrideCursor();
    }
}

void SendDialogsTest::cancelTakesEffectAtTheNextStepAndTheBoxStays_data() {
    QTest::addColumn<Cancelling>("cancel");
    QTest::newRow("Cancel button") << Cancelling([](SendProgressDlg& box) {
        QTest::mouseClick(ButtonNamed(box, QStringLiteral("Cancel")), Qt::LeftButton);
    });
    QTest::newRow("Esc key") << Cancelling([](SendProgressDlg& box) {
        QTest::keyClick(box.focusWidget() ? box.focusWidget() : &box, Qt::Key_Escape);
    });
    QTest::newRow("close button") << Cancelling([](SendProgressDlg& box) {
        // As the window system delivers it, not as close() would.
        QCloseEvent close;
        QCoreApplication::sendEvent(box.windowHandle(), &close);
    });
}

void SendDialogsTest::cancelTakesEffectAtTheNextStepAndTheBoxStays() {
    QFETCH(Cancelling, cancel);
    SendProgressDlg box(m_window.get());
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    box.Start(3);
    QVERIFY(box.isVisible());
    QCOMPARE(box.windowModality(), Qt::WindowModal);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    QVERIFY(box.Step(1, QStringLiteral("first")));

    // Arrives while message 1 is in the mail library: Step 2 must let it in.
    QTimer::singleShot(0, &box, [&box, &cancel] { cancel(box); });
    QVERIFY(!box.Step(2, QStringLiteral("second")));
    QVERIFY(box.Cancelled());
    QVERIFY(!box.Step(3, QStringLiteral("third")));
    QVERIFY(box.isVisible());

    box.Finish();
    QVERIFY(!box.isVisible());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
}

void SendDialogsTest::aStepShowsItsTextWholeAndTheMessagesDone() {
    const QString text = QStringLiteral(
        "Sending 12 of 16: Player 12, someone.long@example.org (alpha.m12, 1.2 MB; rules.txt, "
        "4.0 KB)");
    SendProgressDlg box(m_window.get());
    QCOMPARE(box.windowTitle(), QCoreApplication::applicationName());
    QSignalSpy shown(&box, &SendProgressDlg::StepShown);
    box.Start(16);
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto* step = box.findChild<QLabel*>();
    auto* bar = box.findChild<QProgressBar*>();

    QVERIFY(box.Step(12, text));
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0][0].toInt(), 12);
    QCOMPARE(step->text(), text);
    QCOMPARE(bar->value(), 11);
    QVERIFY(step->width() >= 420);
    QVERIFY2(step->height() >= step->heightForWidth(step->width()), "the step text is cut");

    box.Finish();
    QCOMPARE(bar->value(), 16);
}

void SendDialogsTest::historyListsEachMessageInTheOrderGiven() {
    HistoryEntry sent;
    sent.time = 200;
    sent.player = 3;
    sent.address = "cy@example.org";
    sent.files = {{"alpha.m3", 1258291, "aa"}, {"rules.txt", 4096, "bb"}};
    sent.outcome = HistoryEntry::Outcome::Sent;
    HistoryEntry test;
    test.time = 100;
    test.player = RecordLine::kTestMessage;
    test.address = "host@example.org";
    test.outcome = HistoryEntry::Outcome::NotSent;
    test.reason = "cancelled";
    const LabelledClock clock;
    SendHistoryDlg window(QStringLiteral("Sent history: alpha"), {sent, test}, clock,
                          m_window.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.windowTitle(), QStringLiteral("Sent history: alpha"));
    QVERIFY(!window.findChild<QLabel*>()->isVisible());
    auto* table = window.findChild<QTableWidget*>();
    QCOMPARE(table->rowCount(), 2);
    const QStringList expected[] = {
        {"at 200", "3", "cy@example.org", "alpha.m3 (1.2 MB), rules.txt (4.0 KB)", "sent"},
        {"at 100", "test", "host@example.org", "", "not sent: cancelled"}};
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 5; ++column) {
            QCOMPARE(table->item(row, column)->text(), expected[row][column]);
        }
    }
    const QRect cell = table->visualRect(table->model()->index(1, 2));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(table->selectedItems().size(), 5);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY2(table->findChildren<QLineEdit*>().isEmpty(), "a cell opened for editing");

    QTest::mouseClick(ButtonNamed(window, QStringLiteral("Close")), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
}

void SendDialogsTest::emptyHistorySaysSo() {
    const LabelledClock clock;
    SendHistoryDlg window(QStringLiteral("What was sent to Player 3"), {}, clock, m_window.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* nothing = window.findChild<QLabel*>();
    QVERIFY(nothing->isVisible());
    QCOMPARE(nothing->text(), QStringLiteral("Nothing has been sent for this game yet."));
    QCOMPARE(window.findChild<QTableWidget*>()->rowCount(), 0);
}

void SendDialogsTest::boxesCaptionTheirButtonsAsAsked_data() {
    QTest::addColumn<QMessageBox::StandardButtons>("buttons");
    QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
    QTest::addColumn<ButtonTexts>("texts");
    QTest::addColumn<QMessageBox::StandardButton>("clicked");
    QTest::newRow("send anyway") << QMessageBox::StandardButtons(QMessageBox::Yes |
                                                                 QMessageBox::Cancel)
                                 << QMessageBox::Cancel
                                 << ButtonTexts{{QMessageBox::Yes, "Send anyway"},
                                                {QMessageBox::Cancel, "Cancel"}}
                                 << QMessageBox::Cancel;
    QTest::newRow("send to those not sent")
        << QMessageBox::StandardButtons(QMessageBox::Retry | QMessageBox::Ok) << QMessageBox::Ok
        << ButtonTexts{{QMessageBox::Retry, "Send to those not sent"}, {QMessageBox::Ok, "OK"}}
        << QMessageBox::Retry;
}

void SendDialogsTest::boxesCaptionTheirButtonsAsAsked() {
    QFETCH(QMessageBox::StandardButtons, buttons);
    QFETCH(QMessageBox::StandardButton, defaultButton);
    QFETCH(ButtonTexts, texts);
    QFETCH(QMessageBox::StandardButton, clicked);

    ButtonTexts answered;
    MessageBoxes::SetAnswerer([&answered](const MessageBoxes::Request& request) {
        answered = request.buttonTexts;
        return QMessageBox::Cancel;
    });
    QCOMPARE(MessageBoxes::Show(QStringLiteral("Send?"), buttons, defaultButton, texts),
             QMessageBox::Cancel);
    QCOMPARE(answered, texts);

    // A real box: read it once its loop runs, then click; a box that is not
    // found is closed so the test fails instead of hanging.
    MessageBoxes::SetAnswerer({});
    ButtonTexts shown;
    QString defaultText;
    const QObject scope;
    QTimer::singleShot(0, &scope, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (QWidget* other = QApplication::activeModalWidget()) {
                other->close();
            }
            return;
        }
        for (QAbstractButton* button : box->buttons()) {
            shown.insert(box->standardButton(button), button->text());
        }
        if (box->defaultButton()) {
            defaultText = box->defaultButton()->text();
        }
        if (QAbstractButton* button = box->button(clicked)) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            box->close();
        }
    });
    QCOMPARE(MessageBoxes::Show(QStringLiteral("Send?"), buttons, defaultButton, texts), clicked);
    QCOMPARE(shown, texts);
    QCOMPARE(defaultText, texts.value(defaultButton));
}

QTEST_MAIN(SendDialogsTest)
#include "SendDialogsTest.moc"
