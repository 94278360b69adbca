// "Send Files" end to end: the real run and the real binding, loading the
// provider by its path, deliver to a real server.

#include "MapiLibrary.h"
#include "RowRefresh.h"
#include "SendHistory.h"
#include "SendServiceParts.h"
#include "SmtpTestServer.h"
#include "TurnDispatcher.h"
#include "TurnFile.h"

#include "ProviderKit.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kPassword = "s3cret";

// The parts of the main window that a run touches, with every box it would show noted.
class NotingWindow : public DispatchWindow, private CheckBoxStates {
public:
    explicit NotingWindow(GameRecord& game) : m_game(game) {}
    std::vector<std::string> shown;

    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    void ShowReport(const std::string& text) override { shown.push_back(text); }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void Block() override {}
    void GiveBack() override {}
    bool ReadControls() override { return true; }
    void RefreshRow(int number) override { ::RefreshRow(m_game, *this, number); }
    MapiUIParam OwnerHandle() const override { return 0x5e17d; }
    bool AskSendAnyway(const std::string& warnings) override {
        shown.push_back(warnings);
        return false;
    }
    bool AskSendRest(const std::string& outcome) override {
        shown.push_back(outcome);
        return false;
    }
    void StartProgress(int) override {}
    bool ShowProgress(int, const std::string&) override { return true; }
    void EndProgress() override {}

private:
    void SetSendBoxEnabled(int, bool) override {}
    void UncheckSendBox(int) override {}
    void SetFilesBoxEnabled(bool) override {}
    void UncheckFilesBox() override {}

    GameRecord& m_game;
};

} // namespace

class MapiSendFilesTest : public QObject {
    Q_OBJECT

private slots:
    void runDeliversOrReports_data();
    void runDeliversOrReports();
};

void MapiSendFilesTest::runDeliversOrReports_data() {
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("delivered");
    QTest::addColumn<QStringList>("recorded"); // newest first
    QTest::newRow("delivered") << QStringList() << kPassword
                               << QStringList{"2 Messages sent successfully"} << 2
                               << QStringList{"5 sent", "2 sent"};
    QTest::newRow("wrong password")
        << QStringList() << "wrong" << QStringList{"Login Failure - MAPI Logon"} << 0
        << QStringList();
    QTest::newRow("second player refused")
        << QStringList{"--refuse-recipient", "eve@example.org"} << kPassword
        << QStringList{"Unknown Recipient - MAPI Send Mail", "Sent: Player 2. Not sent: Player 5."}
        << 1 << QStringList{"5 refused: Unknown Recipient - MAPI Send Mail (14)", "2 sent"};
}

void MapiSendFilesTest::runDeliversOrReports() {
    QFETCH(QStringList, serverOptions);
    QFETCH(QString, password);
    QFETCH(QStringList, shown);
    QFETCH(int, delivered);
    QFETCH(QStringList, recorded);
    QTemporaryDir work;
    QString error;
    SmtpTestServer server(work.path());
    QVERIFY2(server.StartSecure("host@example.org", kPassword, serverOptions, &error),
             qPrintable(error));

    GameRecord game;
    game.name = "duel";
    game.directory = work.path().toStdString();
    game.notes = "Round 3.";
    game.addFile = 1;
    game.filePath = work.filePath("rules.txt").toStdString();
    QVERIFY(WriteTestFile(QString::fromStdString(game.filePath), 2048));
    for (int number : {2, 5}) {
        game.Player(number).email = number == 2 ? "Ann <ann@example.org>" : "eve@example.org";
        game.Player(number).send = 1;
        QVERIFY(WriteTestFile(work.filePath(QString("duel.m%1").arg(number)), 1000 * number));
    }
    MailSettings settings;
    settings.mailProfile =
        QString("smtp://host%40example.org@localhost:%1").arg(server.Port()).toStdString();
    settings.password = password.toStdString();
    settings.returnEmail = "host@example.org";

    NotingWindow window(game);
    MapiLibrary library(window, ZORVEL_PROVIDER);
    SendServiceParts parts(work.filePath("state/sent.log"));
    SendServices services = parts.Services();
    TurnDispatcher(game, settings, window, library, services).SendFiles();

    QStringList boxes;
    for (const std::string& text : window.shown) {
        boxes << QString::fromStdString(text);
    }
    QCOMPARE(boxes, shown);
    // The record says what the server got, attachment by attachment.
    std::string problem;
    const SendHistory history(*parts.record.ReadLines(problem), "DUEL", parts.names);
    QStringList outcomes;
    for (const HistoryEntry& entry : history.Entries()) {
        outcomes << QString::number(entry.player) + " " +
                        QString::fromStdString(OutcomeText(entry));
        QCOMPARE(QString::fromStdString(entry.files.at(0).sha256),
                 Sha256Of(work.filePath(QString("duel.m%1").arg(entry.player))));
    }
    QCOMPARE(outcomes, recorded);
    QCOMPARE(server.MessageFiles().size(), delivered);
    if (delivered > 0) {
        QCOMPARE(server.Connections(), 1); // the whole run over one connection
    }
    for (int i = 0; i < delivered; ++i) {
        const auto mail = ReadMail(server.MessageFiles()[i], &error);
        const auto turn = QString("duel.m%1").arg(i == 0 ? 2 : 5);
        QCOMPARE(mail["subject"].toString(), QString("duel"));
        QCOMPARE(mail["from"].toString(), QString("host@example.org"));
        QVERIFY(mail["body"].toString().endsWith("\n\nRound 3."));
        const auto attachments = mail["attachments"].toArray();
        QCOMPARE(attachments.size(), 2);
        QCOMPARE(attachments[0].toObject()["filename"].toString(), turn);
        QCOMPARE(attachments[0].toObject()["sha256"].toString(), Sha256Of(work.filePath(turn)));
        QCOMPARE(attachments[1].toObject()["filename"].toString(), QString("rules.txt"));
    }
}

QTEST_GUILESS_MAIN(MapiSendFilesTest)
#include "MapiSendFilesTest.moc"
