#include "StdToString.h"
#include "TestStore.h"

#include <QTest>

// What GameStore relies on from any profile store, run against the store of
// the platform: SQLite on Linux, the registry on Windows.
class ProfileStoreContractTest : public QObject {
    Q_OBJECT

private:
    TestStore m_store;

private slots:
    void init() { m_store.Clear(); }

    void everySectionNameKeepsItsOwnValues() {
        std::vector<std::string> names{"",
                                       " ",
                                       "a b",
                                       "a",
                                       "a/b",
                                       "a/",
                                       "/",
                                       "b",
                                       "a\\b",
                                       "[a]",
                                       "[a",
                                       "a=b",
                                       "\"q\"",
                                       "'q'",
                                       "x' OR '1'='1",
                                       "%s",
                                       "Settings/Game1",
                                       "Ünïcødé 名前",
                                       std::string("nul\0x", 5)};
#ifndef _WIN32
        // A registry key's name cannot hold the separator: there "\" is the
        // application key itself.
        names.push_back("\\");
#endif
        {
            const std::unique_ptr<ProfileStore> store = m_store.Open();
            for (std::size_t index = 0; index < names.size(); ++index) {
                store->WriteStoreText(names[index], "Dir", "dir of " + names[index]);
                store->WriteStoreInt(names[index], "AddFile", static_cast<int>(index));
            }
            QVERIFY(!store->TakeWriteFailure());
        }
        const std::unique_ptr<ProfileStore> reopened = m_store.Open();
        for (std::size_t index = 0; index < names.size(); ++index) {
            QCOMPARE(reopened->ReadStoreText(names[index], "Dir", ""), "dir of " + names[index]);
            QCOMPARE(reopened->ReadStoreInt(names[index], "AddFile", -1), static_cast<int>(index));
        }
    }

    void namesComparedWithoutCase_data() {
        QTest::addColumn<std::string>("written");
        QTest::addColumn<std::string>("read");
        QTest::addColumn<bool>("same");
        QTest::newRow("ascii") << std::string("Settings") << std::string("sETTINGS") << true;
        QTest::newRow("umlaut") << std::string("ÄRGER") << std::string("ärger") << true;
        QTest::newRow("accent and ideograph")
            << std::string("CAFÉ 日") << std::string("Café 日") << true;
        QTest::newRow("prefix") << std::string("Game1") << std::string("Game10") << false;
        QTest::newRow("accent") << std::string("e") << std::string("é") << false;
#ifndef _WIN32
        // The registry folds by its own upper-case table (Wine's keeps final
        // sigma apart) and holds UTF-16 names, none for bytes that are not UTF-8.
        QTest::newRow("final sigma") << std::string("ΟΔΟΣ") << std::string("οδος") << true;
        QTest::newRow("invalid utf-8") << std::string("A\xff") << std::string("a\xff") << true;
        QTest::newRow("other bytes") << std::string("\xff") << std::string("\xfe") << false;
#endif
    }

    void namesComparedWithoutCase() {
        QFETCH(std::string, written);
        QFETCH(std::string, read);
        QFETCH(bool, same);
        const std::unique_ptr<ProfileStore> store = m_store.Open();
        store->WriteStoreText(written, written, "value");
        QCOMPARE(store->ReadStoreText(read, read, "default"), same ? "value" : "default");
        QCOMPARE(store->ReadStoreText(read, written, "default"), same ? "value" : "default");
    }

    void textsAndIntegersKeptApart() {
        const std::unique_ptr<ProfileStore> store = m_store.Open();
        store->WriteStoreText("s", "text", "12");
        store->WriteStoreInt("s", "number", 12);
        store->WriteStoreInt("s", "low", INT32_MIN);
        QCOMPARE(store->ReadStoreInt("s", "text", -1), -1);
        QCOMPARE(store->ReadStoreText("s", "number", "default"), "default");
        QCOMPARE(store->ReadStoreInt("s", "low", 0), INT32_MIN);
        store->WriteStoreInt("s", "text", 3);
        QCOMPARE(store->ReadStoreText("s", "text", "default"), "default");
        QCOMPARE(store->ReadStoreInt("s", "text", -1), 3);
    }

    void seriesReadsAsOneByOne_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("last");
        QTest::addColumn<QStringList>("expected");
        const QStringList list{"Game1=a",  "GAME2=b",    "Game3=",   "game4=d",
                               "Game08=x", "Game-3=x",   "Game 5=x", "Game6#",
                               "Game7=g",  "GameCount#", "Gamer=x"};
        const QStringList all{"1=a", "2=b", "4=d", "7=g"};
        QTest::newRow("mixed names") << list << 9 << all;
        QTest::newRow("last cuts") << list << 2 << QStringList{"1=a", "2=b"};
        QTest::newRow("nothing asked") << list << 0 << QStringList{};
        QTest::newRow("beyond the entries") << list << 1000000 << all;
        QTest::newRow("stray entry far above")
            << (list + QStringList{"Game1999999999=z", "Game2147483648=x"}) << INT32_MAX
            << (all + QStringList{"1999999999=z"});
    }

    void seriesReadsAsOneByOne() {
        QFETCH(QStringList, stored);
        QFETCH(int, last);
        QFETCH(QStringList, expected);
        const std::unique_ptr<ProfileStore> store = m_store.Open();
        for (const QString& value : stored) {
            // "name=text" stores a text, "name#" an integer.
            const QStringList parts = value.split('=');
            if (parts.size() == 2) {
                store->WriteStoreText("Settings", parts[0].toStdString(), parts[1].toStdString());
            } else {
                store->WriteStoreInt("Settings", value.chopped(1).toStdString(), 7);
            }
        }
        QStringList series;
        for (const NumberedText& entry : store->ReadStoreTextSeries("settings", "Game", last)) {
            series << QString::number(entry.number) + '=' + QString::fromStdString(entry.text);
        }
        QCOMPARE(series, expected);
        if (last <= 9) {
            QCOMPARE(store->ProfileStore::ReadStoreTextSeries("settings", "Game", last),
                     store->ReadStoreTextSeries("settings", "Game", last));
        }
    }

    void lastWriteWins() {
        const std::unique_ptr<ProfileStore> first = m_store.Open();
        const std::unique_ptr<ProfileStore> second = m_store.Open();
        first->WriteStoreText("Settings", "LastGame", "first");
        second->WriteStoreText("Settings", "LastGame", "second");
        QCOMPARE(first->ReadStoreText("Settings", "LastGame", ""), "second");
    }
};

QTEST_GUILESS_MAIN(ProfileStoreContractTest)
#include "ProfileStoreContractTest.moc"
