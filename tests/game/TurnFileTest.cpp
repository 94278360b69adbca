#include "TurnFile.h"
#include "RowRefresh.h"

#include <QTest>

#include <map>

namespace {

const std::string kSep(1, kPathSeparator);

struct RecordingBoxes : CheckBoxStates {
    std::map<int, bool> sendEnabled;
    std::map<int, bool> sendUnchecked;
    bool filesEnabled = true;
    bool filesUnchecked = false;

    void SetSendBoxEnabled(int number, bool enabled) override { sendEnabled[number] = enabled; }
    void UncheckSendBox(int number) override { sendUnchecked[number] = true; }
    void SetFilesBoxEnabled(bool enabled) override { filesEnabled = enabled; }
    void UncheckFilesBox() override { filesUnchecked = true; }
};

GameRecord Game(const std::string& directory, const std::string& name) {
    GameRecord game;
    game.directory = directory;
    game.name = name;
    return game;
}

} // namespace

class TurnFileTest : public QObject {
    Q_OBJECT
private slots:
    void turnFilePath_data();
    void turnFilePath();
    void attachmentName_data();
    void attachmentName();
    void refreshRowDeselectsARowWithoutAddress();
    void refreshRowKeepsTheCheckOfARowWithAddress();
    void refreshFilesRow();
    void refreshAllTurnFilesNeedsDirectoryAndName();
};

void TurnFileTest::turnFilePath_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("email");
    QTest::addColumn<int>("send");
    QTest::addColumn<QString>("expected");
    const QString sep = QString::fromStdString(kSep);
    QTest::newRow("player 3") << "games"
                              << "alpha" << 3 << "a@b" << 1 << "games" + sep + "alpha.m3";
    QTest::newRow("player 16, no leading zero")
        << "games"
        << "alpha" << 16 << "a@b" << 1 << "games" + sep + "alpha.m16";
    QTest::newRow("trailing separator doubles")
        << "pbem" + sep << "alpha" << 5 << "a@b" << 1 << "pbem" + sep + sep + "alpha.m5";
    QTest::newRow("empty directory") << ""
                                     << "alpha" << 2 << "a@b" << 1 << sep + "alpha.m2";
    QTest::newRow("empty name") << "games"
                                << "" << 3 << "a@b" << 1 << "games" + sep + ".m3";
    QTest::newRow("spaces kept") << " d "
                                 << " n " << 1 << "a@b" << 1 << " d " + sep + " n .m1";
    QTest::newRow("any non-zero flag selects") << "d"
                                               << "n" << 4 << "a@b" << -7 << "d" + sep + "n.m4";
    QTest::newRow("not selected") << "games"
                                  << "alpha" << 3 << "a@b" << 0 << "";
    QTest::newRow("no address") << "games"
                                << "alpha" << 3 << "" << 1 << "";
}

void TurnFileTest::turnFilePath() {
    QFETCH(QString, directory);
    QFETCH(QString, name);
    QFETCH(int, number);
    QFETCH(QString, email);
    QFETCH(int, send);
    QFETCH(QString, expected);
    GameRecord game = Game(directory.toStdString(), name.toStdString());
    game.Player(number).email = email.toStdString();
    game.Player(number).send = send;
    QCOMPARE(TurnFilePath(game, number), expected.toStdString());
    QCOMPARE(TurnFileName(game, number), name.toStdString() + ".m" + std::to_string(number));
}

void TurnFileTest::attachmentName_data() {
    QTest::addColumn<QString>("filePath");
    QTest::addColumn<QString>("expected");
    const QString sep = QString::fromStdString(kSep);
    QTest::newRow("full path") << "docs" + sep + "rules.txt"
                               << "rules.txt";
    QTest::newRow("no separator") << "rules.txt"
                                  << "rules.txt";
    QTest::newRow("trailing separator") << "docs" + sep << "";
    QTest::newRow("several separators") << sep + "a" + sep + "b" + sep + "c.txt"
                                        << "c.txt";
    QTest::newRow("multibyte name") << "d" + sep + "Spielregeln-ü.txt"
                                    << "Spielregeln-ü.txt";
    QTest::newRow("empty") << ""
                           << "";
}

void TurnFileTest::attachmentName() {
    QFETCH(QString, filePath);
    QFETCH(QString, expected);
    QCOMPARE(AttachmentName(filePath.toStdString()), expected.toStdString());
}

void TurnFileTest::refreshRowDeselectsARowWithoutAddress() {
    GameRecord game = Game("d", "n");
    game.Player(3).send = 1;
    game.Player(3).turnFile = "stale";
    RecordingBoxes boxes;
    RefreshRow(game, boxes, 3);
    QCOMPARE(game.Player(3).send, 0);
    QCOMPARE(game.Player(3).turnFile, std::string());
    QCOMPARE(boxes.sendEnabled[3], false);
    QVERIFY(boxes.sendUnchecked[3]);
}

void TurnFileTest::refreshRowKeepsTheCheckOfARowWithAddress() {
    GameRecord game = Game("", "");
    game.Player(2).email = "x@y";
    game.Player(2).send = 1;
    RecordingBoxes boxes;
    RefreshRow(game, boxes, 2);
    QCOMPARE(game.Player(2).send, 1);
    QCOMPARE(boxes.sendEnabled[2], true);
    QVERIFY(!boxes.sendUnchecked.count(2));
    // The row is formatted even with empty fields.
    QCOMPARE(game.Player(2).turnFile, kSep + ".m2");
}

void TurnFileTest::refreshFilesRow() {
    GameRecord game;
    game.addFile = 1;
    RecordingBoxes boxes;
    RefreshFilesRow(game, boxes);
    QCOMPARE(game.addFile, 0);
    QVERIFY(boxes.filesUnchecked);
    QVERIFY(!boxes.filesEnabled);

    game.filePath = "r";
    game.addFile = 1;
    RecordingBoxes again;
    again.filesEnabled = false;
    RefreshFilesRow(game, again);
    QCOMPARE(game.addFile, 1);
    QVERIFY(again.filesEnabled);
    QVERIFY(!again.filesUnchecked);
}

void TurnFileTest::refreshAllTurnFilesNeedsDirectoryAndName() {
    GameRecord game = Game("", "alpha");
    game.Player(1).email = "a@b";
    game.Player(1).send = 1;
    game.Player(1).turnFile = "kept";
    RefreshAllTurnFiles(game);
    QCOMPARE(game.Player(1).turnFile, std::string("kept"));

    game.directory = "d";
    game.Player(2).turnFile = "stale";
    RefreshAllTurnFiles(game);
    QCOMPARE(game.Player(1).turnFile, "d" + kSep + "alpha.m1");
    QCOMPARE(game.Player(2).turnFile, std::string());
}

QTEST_GUILESS_MAIN(TurnFileTest)
#include "TurnFileTest.moc"
