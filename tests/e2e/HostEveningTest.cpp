// A host's evening, end to end: the real main window, the real binding loading
// our mail provider by name from the program's folder, a real SMTP server on
// 127.0.0.1, and a store of the test's own. Under Wine, the same against
// zorvel-mail.dll, Schannel and the registry.

#include "CZorvelDlg.h"
#include "ControlById.h"
#include "MessageBoxes.h"
#include "MessageTextEdit.h"
#include "SendHistory.h"
#include "SendProgressDlg.h"
#include "SendServiceParts.h"
#include "SmtpTestServer.h"
#include "TestStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString kPassword = QStringLiteral("s3cret");
const QStringList kAddresses{"ann@example.org", "bo@example.org", "cy@example.org",
                             "dee@example.org"};

QByteArray WriteRandomFile(const QString& path, int size) {
    QByteArray bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != size) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return bytes;
}

// Typed a character at a time, as an input method hands them over:
// QTest::keyClicks carries Latin-1 only.
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar character : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character),
                            Qt::NoModifier);
    }
}

QString Sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

class HostEveningTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void aGameIsMailedToItsPlayersAndKept();
    void onePlayerFromHisRowsMenuGetsExactlyOneMessage();
    void aCancelledRunSaysWhoGotHisTurnAndTheRecordAgrees();
    void aMissingTurnFileIsReportedAndTheStoreStaysIntact();
    void textsBeyondAsciiArriveWhole_data();
    void textsBeyondAsciiArriveWhole();

private:
    void Open();
    QLineEdit* Edit(int id) const { return EditById(*m_window, id); }
    QCheckBox* Box(int id) const { return BoxById(*m_window, id); }
    void SetMailProfileThroughEmailOptions();
    void TypeTheGame();
    void TypeOnePlayersGame(const QString& game, const QString& directory, const QString& message);
    void PressSendFiles();
    // As a host types it, and as the program joins a turn file to it.
    QString GamePath(const QString& name) const {
        return QDir::toNativeSeparators(m_work.filePath("games/" + name));
    }
    QString RecordPath() const { return m_work.filePath("state/sent.log"); }

    QTemporaryDir m_work;
    TestStore m_store;
    std::unique_ptr<SmtpTestServer> m_server;
    std::unique_ptr<SendServiceParts> m_sendParts;
    std::unique_ptr<CZorvelDlg> m_window;
    QMap<QString, QByteArray> m_files;
    QStringList m_boxes;
};

void HostEveningTest::initTestCase() {
    m_sendParts = std::make_unique<SendServiceParts>(RecordPath());
    QVERIFY(QDir().mkpath(GamePath({})));
    for (int number = 1; number <= 4; ++number) {
        const QString name = QStringLiteral("duel.m%1").arg(number);
        m_files[name] = WriteRandomFile(GamePath(name), 3000 + 1000 * number);
    }
    m_files["rules.txt"] = WriteRandomFile(GamePath("rules.txt"), 4096);
    m_server = std::make_unique<SmtpTestServer>(m_work.path());
    QString error;
    QVERIFY2(m_server->StartSecure("host@example.org", kPassword, {}, &error), qPrintable(error));
}

void HostEveningTest::init() {
    m_boxes.clear();
    MessageBoxes::SetAnswerer([this](const MessageBoxes::Request& request) {
        m_boxes << request.text;
        return QMessageBox::Ok;
    });
}

void HostEveningTest::cleanup() {
    m_window.reset();
    MessageBoxes::SetAnswerer({});
}

void HostEveningTest::Open() {
    m_window.reset();
    m_window = std::make_unique<CZorvelDlg>(m_store.Open(), m_sendParts->Services());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void HostEveningTest::SetMailProfileThroughEmailOptions() {
    const QString profile =
        QStringLiteral("smtp://host%40example.org@localhost:%1").arg(m_server->Port());
    bool typed = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        QTest::keyClicks(dialog->findChild<QLineEdit*>("1057"), QStringLiteral("host@example.org"));
        QTest::keyClicks(dialog->findChild<QLineEdit*>("1053"), profile);
        QTest::keyClicks(dialog->findChild<QLineEdit*>("1054"), kPassword);
        QTest::mouseClick(dialog->findChild<QPushButton*>("1"), Qt::LeftButton);
        typed = true;
    });
    QTest::mouseClick(m_window->Controls().emailOptions, Qt::LeftButton);
    QVERIFY(typed);
}

void HostEveningTest::TypeTheGame() {
    QTest::keyClicks(m_window->Controls().gameSelector->lineEdit(), QStringLiteral("duel"));
    QTest::keyClicks(Edit(1002), GamePath({}).chopped(1));
    const int emailIds[] = {1001, 1004, 1008, 1011};
    const int sendIds[] = {1003, 1005, 1009, 1012};
    for (int row = 0; row < 4; ++row) {
        QTest::keyClicks(Edit(emailIds[row]), kAddresses[row]);
        if (row != 2) {
            QTest::mouseClick(Box(sendIds[row]), Qt::LeftButton);
        }
    }
    QTest::keyClicks(m_window->Controls().message, QStringLiteral("Turn 12 is out."));
    QTest::keyClicks(Edit(1053), GamePath("rules.txt"));
    QTest::mouseClick(Box(1059), Qt::LeftButton);
    QVERIFY(Box(1059)->isChecked());
}

void HostEveningTest::PressSendFiles() {
    QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);
}

void HostEveningTest::aGameIsMailedToItsPlayersAndKept() {
    Open();
    SetMailProfileThroughEmailOptions();
    TypeTheGame();
    PressSendFiles();
    QCOMPARE(m_boxes, QStringList{QStringLiteral("3 Messages sent successfully")});

    const QStringList stored = m_server->MessageFiles();
    QCOMPARE(stored.size(), 3);
    QCOMPARE(m_server->Connections(), 1);
    const int players[] = {1, 2, 4};
    for (int index = 0; index < 3; ++index) {
        QString error;
        const QJsonObject mail = ReadMail(stored[index], &error);
        QVERIFY2(!mail.isEmpty(), qPrintable(error));
        const int player = players[index];
        QCOMPARE(mail["to"].toString(), kAddresses[player - 1]);
        QCOMPARE(mail["from"].toString(), QStringLiteral("host@example.org"));
        QCOMPARE(mail["subject"].toString(), QStringLiteral("duel"));
        QVERIFY(mail["body"].toString().endsWith(QStringLiteral(")\n\nTurn 12 is out.")));
        const QJsonArray attachments = mail["attachments"].toArray();
        QCOMPARE(attachments.size(), 2);
        const QString turn = QStringLiteral("duel.m%1").arg(player);
        QCOMPARE(attachments[0]["filename"].toString(), turn);
        QCOMPARE(attachments[0]["sha256"].toString(), Sha256(m_files[turn]));
        QCOMPARE(attachments[1]["filename"].toString(), QStringLiteral("rules.txt"));
        QCOMPARE(attachments[1]["sha256"].toString(), Sha256(m_files["rules.txt"]));
    }

    QTest::mouseClick(m_window->Controls().exit, Qt::LeftButton);
    QCOMPARE(m_window->result(), int(QDialog::Accepted));
    Open();
    QCOMPARE(m_window->Controls().gameSelector->currentText(), QStringLiteral("duel"));
    QCOMPARE(Edit(1011)->text(), kAddresses[3]);
    QVERIFY(Box(1012)->isChecked());
    QVERIFY(!Box(1009)->isChecked());
    QVERIFY(Box(1059)->isChecked());
    QCOMPARE(m_window->Mail().password, kPassword.toStdString());
}

void HostEveningTest::onePlayerFromHisRowsMenuGetsExactlyOneMessage() {
    const int before = m_server->MessageFiles().size();
    Open();
    QLineEdit* email = m_window->Controls().Row(3).email; // a row left unticked
    QContextMenuEvent request(QContextMenuEvent::Keyboard, {}, email->mapToGlobal(QPoint()));
    QApplication::sendEvent(email, &request);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    const QList<QAction*> entries = menu->actions();
    const auto sendOne = std::find_if(entries.begin(), entries.end(), [](QAction* action) {
        return action->text() == QStringLiteral("Send to Player 3 only");
    });
    QVERIFY(sendOne != entries.end());
    (*sendOne)->trigger();

    QCOMPARE(m_boxes, QStringList{QStringLiteral("1 Message sent successfully")});
    const QStringList stored = m_server->MessageFiles();
    QCOMPARE(stored.size(), before + 1);
    QString error;
    const QJsonObject mail = ReadMail(stored.last(), &error);
    QCOMPARE(mail["to"].toString(), kAddresses[2]);
    const QJsonArray attachments = mail["attachments"].toArray();
    QCOMPARE(attachments[0]["sha256"].toString(), Sha256(m_files["duel.m3"]));
    QVERIFY(!m_window->Controls().Row(3).send->isChecked());
}

void HostEveningTest::aCancelledRunSaysWhoGotHisTurnAndTheRecordAgrees() {
    const int before = m_server->MessageFiles().size();
    MessageBoxes::SetAnswerer([this](const MessageBoxes::Request& request) {
        m_boxes << request.text;
        // The same turns went out before: the host sends them anyway.
        return request.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
    Open();
    SendProgressDlg& progress = m_window->ProgressWindow();
    connect(&progress, &SendProgressDlg::StepShown, this, [&progress](int number) {
        if (number == 2) {
            QTest::mouseClick(progress.findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    PressSendFiles();

    QCOMPARE(m_boxes.size(), 2);
    QVERIFY(m_boxes[0].contains(QStringLiteral("the same file as sent on")));
    QCOMPARE(m_boxes[1], QStringLiteral("Sent: Player 1. Not sent: Players 2, 4."));
    const QStringList stored = m_server->MessageFiles();
    QCOMPARE(stored.size(), before + 1);
    QString error;
    QCOMPARE(ReadMail(stored.last(), &error)["to"].toString(), kAddresses[0]);

    std::string problem;
    const auto record = std::make_unique<SendServiceParts>(RecordPath());
    const SendHistory history(*record->record.ReadLines(problem), "Duel", record->names);
    QStringList lastRun;
    const std::vector<HistoryEntry> entries = history.Entries();
    for (const HistoryEntry& entry : entries) {
        if (entry.run == entries.front().run) {
            lastRun.prepend(QString::number(entry.player) + " " +
                            QString::fromStdString(OutcomeText(entry)));
        }
    }
    QCOMPARE(lastRun, (QStringList{"1 sent", "2 not sent: cancelled", "4 not sent: cancelled"}));
}

void HostEveningTest::aMissingTurnFileIsReportedAndTheStoreStaysIntact() {
    QVERIFY(QFile::remove(GamePath("duel.m2")));
    const int before = m_server->MessageFiles().size();
    Open();
    QCOMPARE(m_window->Controls().gameSelector->currentText(), QStringLiteral("duel"));
    PressSendFiles();
    // The check before sending names the player, and nobody gets anything.
    QCOMPARE(m_boxes,
             QStringList{"Player 2: " + GamePath("duel.m2") + " not found\n\nNothing was sent."});
    QCOMPARE(m_server->MessageFiles().size(), before);

    QTest::keyClick(Edit(1001), Qt::Key_Escape);
    Open();
    QCOMPARE(m_window->Controls().gameSelector->currentText(), QStringLiteral("duel"));
    QCOMPARE(Edit(1001)->text(), kAddresses[0]);
    QCOMPARE(Edit(1004)->text(), kAddresses[1]);
    QCOMPARE(Edit(1053)->text(), GamePath("rules.txt"));
    const std::unique_ptr<ProfileStore> store = m_store.Open();
    QCOMPARE(store->ReadStoreInt("Settings", "GameCount", 0), 1);
    QCOMPARE(store->ReadStoreText("Settings", "Game1", ""), std::string("duel"));
}

void HostEveningTest::TypeOnePlayersGame(const QString& game, const QString& directory,
                                         const QString& message) {
    TypeText(m_window->Controls().gameSelector->lineEdit(), game);
    TypeText(Edit(1002), directory);
    QTest::keyClicks(Edit(1001), kAddresses[0]);
    QTest::mouseClick(Box(1003), Qt::LeftButton);
    TypeText(m_window->Controls().message, message);
}

void HostEveningTest::textsBeyondAsciiArriveWhole_data() {
    QTest::addColumn<QString>("game");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("a subject and a folder in Latin-1")
        << QStringLiteral("Café") << QStringLiteral("Zürich") << QStringLiteral("À bientôt.");
    // Beyond any Western code page: our provider takes UTF-8 whole.
    QTest::newRow("a game named in Japanese")
        << QStringLiteral("日本") << QStringLiteral("turns") << QStringLiteral("次のターン");
}

// The turn file's name is the game's, so it goes out beyond ASCII too.
void HostEveningTest::textsBeyondAsciiArriveWhole() {
    QFETCH(QString, game);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    const QString directory = m_work.filePath(folder);
    QVERIFY(QDir().mkpath(directory));
    const QString turn = game + ".m1";
    const QByteArray bytes = WriteRandomFile(directory + "/" + turn, 2500);
    const int before = m_server->MessageFiles().size();
    m_store.Clear();
    Open();
    SetMailProfileThroughEmailOptions();
    TypeOnePlayersGame(game, directory, message);

    PressSendFiles();

    QCOMPARE(m_boxes, QStringList{QStringLiteral("1 Message sent successfully")});
    const QStringList stored = m_server->MessageFiles();
    QCOMPARE(stored.size(), before + 1);
    QString error;
    const QJsonObject mail = ReadMail(stored.last(), &error);
    QVERIFY2(!mail.isEmpty(), qPrintable(error));
    QCOMPARE(mail["subject"].toString(), game);
    QVERIFY2(mail["body"].toString().endsWith(message), qPrintable(mail["body"].toString()));
    const QJsonArray attachments = mail["attachments"].toArray();
    QCOMPARE(attachments.size(), 1);
    QCOMPARE(attachments[0]["filename"].toString(), turn);
    QCOMPARE(attachments[0]["sha256"].toString(), Sha256(bytes));
}

QTEST_MAIN(HostEveningTest)
#include "HostEveningTest.moc"
