#include "SendRecord.h"
#include "MemorySendServices.h"
#include "SendHistory.h"

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
    void historyPairsHandoversWithOutcomes();
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

void SendRecordTest::historyPairsHandoversWithOutcomes() {
    using Event = RecordLine::Event;
    std::vector<std::string> lines;
    for (const RecordLine& line :
         {Line(Event::Handover, 1, 1), Line(Event::Sent, 1, 1), Line(Event::Handover, 1, 2),
          Line(Event::Refused, 1, 2), Line(Event::NotSent, 1, 3),
          Line(Event::Handover, 1, 1, "beta"), Line(Event::Handover, 2, 2, "ALPHA"),
          Line(Event::Sent, 2, 2), Line(Event::Handover, 2, 3)}) {
        lines.push_back(FormatRecordLine(line));
    }
    lines.push_back(lines.back().substr(0, 20)); // cut by a kill

    MemorySendServices names;
    const SendHistory history(lines, "Alpha", names);
    QStringList entries;
    for (const HistoryEntry& entry : history.Entries()) {
        entries << QString::number(entry.player) + " " + QString::fromStdString(OutcomeText(entry));
    }
    QCOMPARE(entries, (QStringList{"3 outcome unknown", "2 sent", "3 not sent: ", "2 refused:  (0)",
                                   "1 sent"}));
    QCOMPARE(history.NotSentInLastRun(), std::vector<int>{3});
    QCOMPARE(history.NextRun(), 3);
    QCOMPARE(history.LastSent(2)->run, 2);
    QVERIFY(!history.LastSent(3));
}

QTEST_GUILESS_MAIN(SendRecordTest)
#include "SendRecordTest.moc"
