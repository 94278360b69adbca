#include "GameSelectorBox.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

// The selector filled from the stored list as at start-up, on a combo box set
// up as the main window's.
class GameSelectorBoxTest : public QObject {
    Q_OBJECT
private slots:
    void fillSortsOnceAndSearchFindsByPrefix_data();
    void fillSortsOnceAndSearchFindsByPrefix();
};

namespace {

std::vector<std::string> Names(const QStringList& texts) {
    std::vector<std::string> names;
    for (const QString& text : texts) {
        names.push_back(text.toStdString());
    }
    return names;
}

// Every way of writing "game" in upper and lower case, each twice: more names
// than a sort's small-range shortcut takes, all equal without regard to case.
QStringList CaseVariants() {
    QStringList variants;
    for (int round = 0; round < 2; ++round) {
        for (int pattern = 15; pattern >= 0; --pattern) {
            QString name = QStringLiteral("game");
            for (int letter = 0; letter < 4; ++letter) {
                if ((pattern >> letter & 1) != 0) {
                    name[letter] = name[letter].toUpper();
                }
            }
            variants << name;
        }
    }
    return variants;
}

QStringList Listed(const QComboBox& box) {
    QStringList entries;
    for (int index = 0; index < box.count(); ++index) {
        entries << box.itemText(index);
    }
    return entries;
}

} // namespace

void GameSelectorBoxTest::fillSortsOnceAndSearchFindsByPrefix_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("prefixes");
    QTest::addColumn<QList<int>>("found"); // by FindPrefix, one for each prefix
    QTest::addColumn<QString>("late");     // added after the fill
    QTest::addColumn<int>("lateIndex");
    QTest::newRow("unsorted stored order")
        << QStringList{"delta", "Alpha", "charlie", "bravo"}
        << QStringList{"Alpha", "bravo", "charlie", "delta"}
        << QStringList{"CH", "a", "Delta", "bz", "e", ""} << QList<int>{2, 0, 3, -1, -1, -1}
        << QStringLiteral("Beta") << 1;
    QTest::newRow("equal names in different case keep their stored order")
        << QStringList{"b", "A", "a", "B", "a"} << QStringList{"A", "a", "a", "b", "B"}
        << QStringList{"a", "B", "ab"} << QList<int>{0, 3, -1} << QStringLiteral("A") << 3;
    QTest::newRow("many names equal but for case keep their stored order")
        << CaseVariants() << CaseVariants() << QStringList{"gA", "gamer"} << QList<int>{0, -1}
        << QStringLiteral("Gam") << 0;
    QTest::newRow("names beyond ASCII")
        << QStringList{"Zulu", "\u00e9mile", "\u00c9mile", "\u00e4rger", "Apfel", "zebra"}
        << QStringList{"Apfel", "zebra", "Zulu", "\u00e4rger", "\u00e9mile", "\u00c9mile"}
        << QStringList{"\u00c9M", "\u00c4", "z", "\u00e9milie"} << QList<int>{4, 3, 1, -1}
        << QStringLiteral("\u00c5ngstr\u00f6m") << 4;
}

void GameSelectorBoxTest::fillSortsOnceAndSearchFindsByPrefix() {
    QFETCH(QStringList, stored);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, prefixes);
    QFETCH(QList<int>, found);
    QFETCH(QString, late);
    QFETCH(int, lateIndex);
    QComboBox box;
    box.setEditable(true);
    box.setInsertPolicy(QComboBox::NoInsert);
    box.setCompleter(nullptr);
    auto* selector = new GameSelectorBox(box);
    selector->AddEntry("replaced by the fill");
    box.setEditText(QStringLiteral("typed"));

    // However many games there are, the list takes them in one insertion.
    QSignalSpy insertions(box.model(), &QAbstractItemModel::rowsInserted);
    selector->Fill(Names(stored));
    QCOMPARE(insertions.count(), 1);
    QCOMPARE(Listed(box), listed);
    QCOMPARE(box.currentIndex(), -1);
    QCOMPARE(box.currentText(), QStringLiteral("typed"));
    for (qsizetype i = 0; i < prefixes.size(); ++i) {
        QCOMPARE(selector->FindPrefix(prefixes[i].toStdString()), found[i]);
    }

    QCOMPARE(selector->AddEntry(late.toStdString()), lateIndex);
    listed.insert(lateIndex, late);
    QCOMPARE(Listed(box), listed);
    QCOMPARE(box.currentIndex(), -1);
    QCOMPARE(box.currentText(), QStringLiteral("typed"));
}

QTEST_MAIN(GameSelectorBoxTest)
#include "GameSelectorBoxTest.moc"
