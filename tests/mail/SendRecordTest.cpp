#include "SendRecord.h"
#include "MemorySendServices.h"
#include "SendHistory.h"

#include <QMap>
#include <QTest>

Q_DECLARE_METATYPE(RecordLine)

// The send record's lines: any name reads back exactly, a line cut short is
// never taken for a whole one, and the history pairs handovers with outcomes.
class SendRecordTest : public QObject {
    Q_OBJECT
private slots:
    void linesReadBackExactly_data();
    void linesReadBackExactly();
    void damagedLinesAreRefused_data();
    void damagedLinesAreRefused();
    void historyPairsHandoversWithOutcomes_data();
    void historyPairsHandoversWithOutcomes();

private:
    static void AddOrdersRows();
};

namespace {
RecordLine Line(RecordLine::Event event, int run, int player, std::string game = "alpha") {
    return {1'764'965'643, run, event, std::move(game), player, "p@example.org", 0, "", {}};
}
} // namespace

void SendRecordTest::linesReadBackExactly_data() {
    QTest::addColumn<RecordLine>("line");
    QTest::newRow("plain") << RecordLine{
        1'764'965'643,
        3,
        RecordLine::Event::Sent,
        "alpha",
        3,
        "bo@example.org",
        0,
        "",
        {{"alpha.m3", 1'258'291, std::string(64, 'a')}, {"rules.txt", 0, std::string(64, 'b')}}};
    QTest::newRow("separators and escapes in every text")
        << RecordLine{0,
                      1,
                      RecordLine::Event::Refused,
                      "a\tb\\t\nc\r",
                      16,
                      "x\\y\t@z",
                      11,
                      "Attachment\tNot Found\\",
                      {{"n\\ame\t.m16", 5, "ff"}}};
    QTest::newRow("test message, non-ASCII") << RecordLine{
        4'102'444'799, 7, RecordLine::Event::NotSent, "Café 日本", 0, "hôte@example.org", 0,
        "cancelled",   {}};
    QTest::newRow("handover") << Line(RecordLine::Event::Handover, 1, 1);
    QTest::newRow("planned") << RecordLine{1'764'965'643,
                                           2,
                                           RecordLine::Event::Planned,
                                           "alpha",
                                           5,
                                           "e@example.org",
                                           0,
                                           "",
                                           {{"alpha.m5", 64, std::string(64, 'c')}}};
    AddOrdersRows();
}

// What a collection of orders and a reminder write; a program that knows no
// such lines passes over them (see damagedLinesAreRefused's unknown event).
void SendRecordTest::AddOrdersRows() {
    RecordLine received = Line(RecordLine::Event::Received, 0, 4);
    received.files = {{"Alpha.r4", 310, std::string(64, 'd')}};
    received.messageId = "1700000001:42";
    QTest::newRow("received") << received;
    RecordLine refused = Line(RecordLine::Event::Received, 0, 5);
    refused.reason = "file refused: big.r5: larger than 64 MB";
    refused.messageId = "1700000001.M3P1.host\t";
    QTest::newRow("received, refused") << refused;
    RecordLine scanned = Line(RecordLine::Event::Scanned, 0, 0);
    scanned.messageId = "1700000001:43";
    QTest::newRow("scanned") << scanned;
    RecordLine reminder = Line(RecordLine::Event::Sent, 9, 6);
    reminder.purpose = RecordLine::Purpose::Reminder;
    QTest::newRow("reminder") << reminder;
}

void SendRecordTest::linesReadBackExactly() {
    QFETCH(RecordLine, line);
    const std::string text = FormatRecordLine(line);
    QVERIFY(text.find('\n') == std::string::npos);
    const std::optional<RecordLine> back = ParseRecordLine(text);
    QVERIFY(back);
    QCOMPARE(FormatRecordLine(*back), text);
    QCOMPARE(back->game, line.game);
    QCOMPARE(back->address, line.address);
    QCOMPARE(back->reason, line.reason);
    QCOMPARE(back->files.size(), line.files.size());
    QCOMPARE(back->time, line.time);
    QCOMPARE(back->messageId, line.messageId);
    QCOMPARE(back->purpose, line.purpose);
}

void SendRecordTest::damagedLinesAreRefused_data() {
    QTest::addColumn<QString>("text");
    const QString whole = QString::fromStdString(FormatRecordLine({1'764'965'643,
                                                                   2,
                                                                   RecordLine::Event::Sent,
                                                                   "alpha",
                                                                   3,
                                                                   "bo@example.org",
                                                                   0,
                                                                   "",
                                                                   {{"alpha.m3", 12, "ab"}}}));
    QTest::newRow("the whole line parses") << whole; // the control row
    QTest::newRow("cut in the last file") << whole.chopped(3);
    QTest::newRow("cut after a separator") << whole.left(whole.lastIndexOf('\t') + 1);
    QTest::newRow("unknown event") << QString(whole).replace("\tsent\t", "\tsend\t");
    QTest::newRow("a month that is not") << QString(whole).replace("2025-12-05", "2025-13-05");
    QTest::newRow("dangling escape") << QString(whole).replace("alpha\t", "alpha\\\t");
    QTest::newRow("player out of range") << QString(whole).replace("\t3\t", "\t-3\t");
    QTest::newRow("empty") << QString();
}

void SendRecordTest::damagedLinesAreRefused() {
    QFETCH(QString, text);
    const bool control = QByteArray(QTest::currentDataTag()) == "the whole line parses";
    QCOMPARE(ParseRecordLine(text.toStdString()).has_value(), control);
}

namespace {
// "2 handover 3 ALPHA": run 2, player 3's handover, of game ALPHA (alpha
// when left out); the event as the record names it.
std::string RecordText(const QString& compact) {
    static const QMap<QString, RecordLine::Event> kEvents{{"planned", RecordLine::Event::Planned},
                                                          {"handover", RecordLine::Event::Handover},
                                                          {"sent", RecordLine::Event::Sent},
                                                          {"refused", RecordLine::Event::Refused},
                                                          {"not-sent", RecordLine::Event::NotSent}};
    const QStringList parts = compact.split(' ');
    return FormatRecordLine(Line(kEvents.value(parts.at(1)), parts.at(0).toInt(),
                                 parts.at(2).toInt(), parts.value(3, "alpha").toStdString()));
}
} // namespace

void SendRecordTest::historyPairsHandoversWithOutcomes_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("entries"); // newest first
    QTest::addColumn<QList<int>>("unsent");
    QTest::addColumn<QList<int>>("lastSentRuns"); // of players 1, 2, 3; 0 for none
    QTest::addColumn<int>("nextRun");
    QTest::newRow("two runs, other games, lines cut or not known")
        << QStringList{"1 handover 1",       "1 sent 1",
                       "1 handover 2",       "1 refused 2",
                       "1 not-sent 3",       "1 handover 1 beta",
                       "2 handover 2 ALPHA", "2 sent 2",
                       "2 handover 3",       "cut",
                       "a later event"}
        << QStringList{"3 outcome unknown", "2 sent", "3 not sent: ", "2 refused:  (0)", "1 sent"}
        << QList<int>{3} << QList<int>{1, 2, 0} << 3;
    QTest::newRow("killed at the second of three planned")
        << QStringList{"1 planned 1",  "1 planned 2", "1 planned 3",
                       "1 handover 1", "1 sent 1",    "1 handover 2"}
        << QStringList{"3 not reached", "2 outcome unknown", "1 sent"} << QList<int>{2, 3}
        << QList<int>{1, 0, 0} << 2;
    QTest::newRow("a test message after a run is no run to resend")
        << QStringList{"1 planned 2", "1 handover 2", "1 sent 2", "2 planned 0", "2 handover 0"}
        << QStringList{"0 outcome unknown", "2 sent"} << QList<int>{} << QList<int>{0, 1, 0} << 3;
}

void SendRecordTest::historyPairsHandoversWithOutcomes() {
    QFETCH(QStringList, lines);
    QFETCH(QStringList, entries);
    QFETCH(QList<int>, unsent);
    QFETCH(QList<int>, lastSentRuns);
    QFETCH(int, nextRun);
    std::vector<std::string> record;
    for (const QString& line : lines) {
        if (line == "cut") { // by a kill
            record.push_back(record.back().substr(0, 20));
        } else if (line == "a later event") { // as a newer program might write
            std::string text = RecordText("2 sent 3");
            record.push_back(text.replace(text.find("\tsent\t"), 6, "\tresent\t"));
        } else {
            record.push_back(RecordText(line));
        }
    }

    MemorySendServices names;
    const SendHistory history(record, "Alpha", names);
    QStringList shown;
    for (const HistoryEntry& entry : history.Entries()) {
        shown << QString::number(entry.player) + " " + QString::fromStdString(OutcomeText(entry));
    }
    QCOMPARE(shown, entries);
    QCOMPARE(history.NotSentInLastRun(), std::vector<int>(unsent.begin(), unsent.end()));
    QCOMPARE(history.NextRun(), nextRun);
    for (int player = 1; player <= 3; ++player) {
        const std::optional<HistoryEntry> last = history.LastSent(player);
        QCOMPARE(last ? last->run : 0, lastSentRuns.at(player - 1));
    }
}

QTEST_GUILESS_MAIN(SendRecordTest)
#include "SendRecordTest.moc"
