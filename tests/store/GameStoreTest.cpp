#include "GameStore.h"
#include "FakeGameSelector.h"
#include "FakeGameWindow.h"
#include "StdToString.h"
#include "TestStore.h"
#include "TurnFile.h"

#include <QElapsedTimer>
#include <QTest>

#include <cstdint>
#include <map>
#include <memory>

using Entries = std::vector<std::string>;
using Values = std::map<std::string, std::string>;
Q_DECLARE_METATYPE(Entries)
Q_DECLARE_METATYPE(Values)

namespace {

const std::string kSep(1, kPathSeparator);

// One run of the program: the window's records, its controls and the store.
struct Session {
    explicit Session(const TestStore& testStore) : handle(testStore.Open()) {}

    // The window's start-up, as far as the store goes.
    void Start() {
        store.ReadSettings();
        if (!game.name.empty()) {
            store.LoadGame();
        }
        store.LoadGameList();
        store.SelectShownGame();
        window.WriteControls();
        store.TellOpeningNotice();
    }

    void Type(const std::string& name, const std::string& directory, const Entries& emails) {
        selector.editText = name;
        window.controls.directory = directory;
        for (std::size_t row = 0; row < emails.size(); ++row) {
            window.controls.players.at(row).email = emails[row];
            window.controls.players.at(row).send = 1;
        }
        window.Edited();
    }

    std::unique_ptr<ProfileStore> handle;
    ProfileStore& profile{*handle};
    GameRecord game;
    MailSettings mail;
    FakeGameSelector selector;
    FakeGameWindow window{game, selector};
    GameStore store{profile, game, mail, window, selector};
};

Entries StoredList(ProfileStore& profile) {
    Entries list;
    const int count = profile.ReadStoreInt("Settings", "GameCount", -1);
    for (int index = 1; index <= count; ++index) {
        list.push_back(profile.ReadStoreText("Settings", "Game" + std::to_string(index), ""));
    }
    return list;
}

void SaveGames(const TestStore& store, const Entries& names) {
    Session session(store);
    session.Start();
    for (const std::string& name : names) {
        session.Type(name, "/games/" + name, {name + "@example.org"});
        session.store.SaveGame(name);
    }
}

} // namespace

class GameStoreTest : public QObject {
    Q_OBJECT

private:
    TestStore m_store;

private slots:
    void init() { m_store.Clear(); }

    void firstStartOnEmptyStore() {
        Session session(m_store);
        session.Start();
        QCOMPARE(session.profile.ReadStoreInt("Settings", "GameCount", -1), 0);
        // The empty name goes into the selector only, unselected.
        QCOMPARE(session.selector.entries, Entries{""});
        QCOMPARE(session.selector.selected, -1);
        QCOMPARE(StoredList(session.profile), Entries{});
    }

    void loadGameList_data() {
        // "GameCount" is stored as an integer, as a text when the QVariant
        // holds one, or not at all.
        QTest::addColumn<Values>("stored");
        QTest::addColumn<QVariant>("count");
        QTest::addColumn<Entries>("listed");
        QTest::addColumn<int>("countAfter");
        const Values games{{"Game1", "b"}, {"Game2", "a"}, {"Game3", "c"}, {"Game5", "e"}};
        QTest::newRow("count missing") << games << QVariant() << Entries{"a", "b", "c"} << 3;
        QTest::newRow("count zero") << games << QVariant(0) << Entries{"a", "b", "c"} << 3;
        QTest::newRow("count stored as text")
            << games << QVariant(QStringLiteral("5")) << Entries{"a", "b", "c"} << 3;
        QTest::newRow("gap within count")
            << Values{{"Game1", "a"}, {"Game3", "c"}} << QVariant(3) << Entries{"a", "c"} << 3;
        QTest::newRow("entries above count ignored")
            << Values{{"Game1", "a"}, {"Game2", "b"}} << QVariant(1) << Entries{"a"} << 1;
        QTest::newRow("negative count")
            << Values{{"Game1", "a"}} << QVariant(-2) << Entries{} << -2;
        QTest::newRow("duplicates and case")
            << Values{{"Game1", "a"}, {"Game2", "A"}, {"Game3", "a"}} << QVariant(3)
            << Entries{"a", "A", "a"} << 3;
    }

    void loadGameList() {
        QFETCH(Values, stored);
        QFETCH(QVariant, count);
        QFETCH(Entries, listed);
        QFETCH(int, countAfter);
        {
            const std::unique_ptr<ProfileStore> seed = m_store.Open();
            for (const auto& [name, text] : stored) {
                seed->WriteStoreText("Settings", name, text);
            }
            if (count.typeId() == QMetaType::Int) {
                seed->WriteStoreInt("Settings", "GameCount", count.toInt());
            } else if (count.isValid()) {
                seed->WriteStoreText("Settings", "GameCount", count.toString().toStdString());
            }
        }
        Session session(m_store);
        session.store.LoadGameList();
        QCOMPARE(session.selector.entries, listed);
        QCOMPARE(session.profile.ReadStoreInt("Settings", "GameCount", 99), countAfter);
    }

    void emptyNameMatchesFirstGapOfList() {
        Session session(m_store);
        session.profile.WriteStoreInt("Settings", "GameCount", 3);
        session.profile.WriteStoreText("Settings", "Game1", "a");
        session.profile.WriteStoreText("Settings", "Game3", "c");
        session.store.AddGameToList("");
        QCOMPARE(StoredList(session.profile), (Entries{"a", "", "c"}));
        session.store.RemoveGameFromList("");
        QCOMPARE(StoredList(session.profile), (Entries{"a", "c"}));
        QCOMPARE(session.game.name, "a");
    }

    void damagedListCostsOnlyItsEntries_data() {
        // A name in `change` is removed from the list, "+name" added to it.
        QTest::addColumn<int>("count");
        QTest::addColumn<Values>("stored");
        QTest::addColumn<Entries>("listed");
        QTest::addColumn<std::string>("change");
        QTest::addColumn<Values>("after");
        QTest::addColumn<int>("countAfter");
        QTest::newRow("huge count")
            << 2'000'000'000 << Values{{"Game1", "a"}, {"Game2", "b"}} << Entries{"a", "b"}
            << std::string("a") << Values{{"Game1", "b"}, {"Game2", ""}} << 1'999'999'999;
        QTest::newRow("stray entry at the top")
            << 2'000'000'000 << Values{{"Game1", "a"}, {"Game1999999999", "z"}} << Entries{"a", "z"}
            << std::string("a")
            << Values{{"Game1", ""}, {"Game1999999998", "z"}, {"Game1999999999", ""}}
            << 1'999'999'999;
        QTest::newRow("largest count") << INT32_MAX << Values{{"Game1", "a"}} << Entries{"a"}
                                       << std::string("+b") << Values{{"Game2", "b"}} << INT32_MAX;
    }

    void damagedListCostsOnlyItsEntries() {
        QFETCH(int, count);
        QFETCH(Values, stored);
        QFETCH(Entries, listed);
        QFETCH(std::string, change);
        QFETCH(Values, after);
        QFETCH(int, countAfter);
        Session session(m_store);
        session.profile.WriteStoreInt("Settings", "GameCount", count);
        for (const auto& [name, text] : stored) {
            session.profile.WriteStoreText("Settings", name, text);
        }
        session.store.LoadGameList();
        QCOMPARE(session.selector.entries, listed);
        if (change.starts_with('+')) {
            session.store.AddGameToList(change.substr(1));
        } else {
            session.store.RemoveGameFromList(change);
        }
        QCOMPARE(session.profile.ReadStoreInt("Settings", "GameCount", 0), countAfter);
        for (const auto& [name, text] : after) {
            QCOMPARE(session.profile.ReadStoreText("Settings", name, "missing"), text);
        }
    }

    void startUpNeverWaitsForAnotherCopysWrite() {
        SaveGames(m_store, {"a"});
        const std::unique_ptr<ProfileStore> other = m_store.Open();
        other->WriteStoreText("Settings", "LastGame", "a");
        other->BeginTransaction();
        other->WriteStoreText("Settings", "Return Name", "typed");
        QElapsedTimer timer;
        timer.start();
        Session session(m_store);
        session.Start();
        const qint64 elapsed = timer.elapsed();
        other->EndTransaction();
        // A writer waits 5 s for the lock; reading, and the store's check of
        // its pages, should not wait at all, nor take the write for damage.
        QVERIFY2(elapsed < 2000, qPrintable(QString("start-up took %1 ms").arg(elapsed)));
        QCOMPARE(session.window.messages, Entries{});
        QCOMPARE(session.selector.entries, Entries{"a"});
        QCOMPARE(session.window.controls.directory, "/games/a");
    }

    void exitStoresGameAndStartShowsItAgain() {
        {
            Session first(m_store);
            first.Start();
            first.Type("alpha", "/games", {"ann@example.org", "bob@example.org"});
            first.mail.returnEmail = "host@example.org";
            QVERIFY(first.store.Exit());
        }
        Session second(m_store);
        second.Start();
        QCOMPARE(second.selector.entries, Entries{"alpha"});
        QCOMPARE(second.selector.SelectedText(), "alpha");
        QCOMPARE(second.window.controls.directory, "/games");
        QCOMPARE(second.window.controls.Player(2).email, "bob@example.org");
        QCOMPARE(second.window.controls.Player(2).send, 1);
        QCOMPARE(second.window.controls.Player(2).turnFile, "/games" + kSep + "alpha.m2");
        QCOMPARE(second.mail.returnEmail, "host@example.org");
        QVERIFY(second.store.Exit());
        QCOMPARE(StoredList(second.profile), Entries{"alpha"});
    }

    void flagsStoredOnlyWhenOnAndEnabled_data() {
        QTest::addColumn<int>("flag");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("stored");
        QTest::newRow("on, enabled") << 1 << true << 1;
        QTest::newRow("other nonzero, enabled") << -7 << true << 1;
        QTest::newRow("on, disabled") << 1 << false << 0;
        QTest::newRow("off, enabled") << 0 << true << 0;
    }

    void flagsStoredOnlyWhenOnAndEnabled() {
        QFETCH(int, flag);
        QFETCH(bool, enabled);
        QFETCH(int, stored);
        Session session(m_store);
        session.game.Player(4).send = flag;
        session.game.addFile = flag;
        session.window.sendEnabled[3] = enabled;
        session.window.filesEnabled = enabled;
        session.store.SaveGame("g");
        QCOMPARE(session.profile.ReadStoreInt("g", "Send3", 99), stored);
        QCOMPARE(session.profile.ReadStoreInt("g", "AddFile", 99), stored);
    }

    void missingSendReadsAsOne() {
        Session session(m_store);
        session.profile.WriteStoreText("g", "Dir", "/d");
        session.profile.WriteStoreText("g", "Email2", "c@example.org");
        session.game.name = "g";
        session.store.LoadGame();
        QCOMPARE(session.game.Player(3).send, 1);
        QCOMPARE(session.game.Player(3).turnFile, "/d" + kSep + "g.m3");
        // Without an address the refresh takes the default back.
        QCOMPARE(session.game.Player(4).send, 0);
        QVERIFY(!session.window.IsSendBoxEnabled(4));
    }

    void deleteListedGame_data() {
        QTest::addColumn<Entries>("games");
        QTest::addColumn<std::string>("deleted");
        QTest::addColumn<Entries>("listAfter");
        QTest::addColumn<std::string>("shown");
        QTest::newRow("first") << Entries{"a", "b", "c"} << std::string("a") << Entries{"b", "c"}
                               << std::string("b");
        QTest::newRow("middle") << Entries{"a", "b", "c"} << std::string("b") << Entries{"a", "c"}
                                << std::string("a");
        QTest::newRow("last") << Entries{"a", "b", "c"} << std::string("c") << Entries{"a", "b"}
                              << std::string("a");
        QTest::newRow("only") << Entries{"a"} << std::string("a") << Entries{} << std::string();
    }

    void deleteListedGame() {
        QFETCH(Entries, games);
        QFETCH(std::string, deleted);
        QFETCH(Entries, listAfter);
        QFETCH(std::string, shown);
        SaveGames(m_store, games);
        Session session(m_store);
        session.Start();
        session.selector.Pick(deleted);
        session.store.SwitchGame();
        session.store.DeleteGame();

        QCOMPARE(session.window.questions,
                 Entries{"Are you sure you want to DELETE the game information for \"" + deleted +
                         "\"?"});
        QCOMPARE(StoredList(session.profile), listAfter);
        const std::string lastEntry = "Game" + std::to_string(games.size());
        QCOMPARE(session.profile.ReadStoreText("Settings", lastEntry, "missing"), "");
        QCOMPARE(session.profile.ReadStoreText(deleted, "Dir", "missing"), "");
        QCOMPARE(session.profile.ReadStoreInt(deleted, "Send0", 1), 0);
        QCOMPARE(session.game.name, shown);
        QCOMPARE(session.window.controls.directory, shown.empty() ? "" : "/games/" + shown);
        QCOMPARE(session.selector.SelectedText(), shown);
        QVERIFY(std::find(session.selector.entries.begin(), session.selector.entries.end(),
                          deleted) == session.selector.entries.end());
    }

    void deleteAnsweredNoChangesNothing() {
        SaveGames(m_store, {"a"});
        Session session(m_store);
        session.Start();
        session.window.answerYes = false;
        session.store.DeleteGame();
        QCOMPARE(session.profile.ReadStoreText("a", "Dir", ""), "/games/a");
        QCOMPARE(StoredList(session.profile), Entries{"a"});
    }

    void deleteUnlistedGameOnlyBlanksItsSection() {
        SaveGames(m_store, {"a", "zeta"});
        {
            // Another copy takes "zeta" off the list while this one shows it.
            Session other(m_store);
            other.store.RemoveGameFromList("zeta");
        }
        Session session(m_store);
        session.Start();
        session.Type("zeta", "/games/zeta", {"z@example.org"});
        session.store.DeleteGame();
        QCOMPARE(session.profile.ReadStoreText("zeta", "Dir", "missing"), "");
        QCOMPARE(StoredList(session.profile), Entries{"a"});
        QCOMPARE(session.game.name, "zeta");
        QCOMPARE(session.window.controls.directory, "/games/zeta");
        QVERIFY(session.store.Exit());
        QCOMPARE(StoredList(session.profile), (Entries{"a", "zeta"}));
        QCOMPARE(session.profile.ReadStoreText("zeta", "Dir", ""), "/games/zeta");
    }

    void switchSavesShownGameAndLoadsPicked() {
        SaveGames(m_store, {"a", "b"});
        Session session(m_store);
        session.Start();
        session.selector.Pick("a");
        session.store.SwitchGame();
        session.window.controls.directory = "/changed";
        session.selector.Pick("b");
        session.store.SwitchGame();
        QCOMPARE(session.profile.ReadStoreText("a", "Dir", ""), "/changed");
        QCOMPARE(session.game.name, "b");
        QCOMPARE(session.window.controls.directory, "/games/b");
    }

    void switchFromUnlistedGameKeepsShowingIt() {
        SaveGames(m_store, {"first"});
        Session session(m_store);
        session.Start();
        session.Type("second", "/second", {"s@example.org"});
        session.selector.Pick("first");
        session.store.SwitchGame();
        QCOMPARE(StoredList(session.profile), (Entries{"first", "second"}));
        QCOMPARE(session.game.name, "second");
        QCOMPARE(session.window.controls.directory, "/second");
        session.selector.Pick("first");
        session.store.SwitchGame();
        QCOMPARE(session.window.controls.directory, "/games/first");
    }

    void namesDifferingInCaseShareOneSection() {
        SaveGames(m_store, {"Alpha", "ALPHA"});
        Session session(m_store);
        QCOMPARE(StoredList(session.profile), (Entries{"Alpha", "ALPHA"}));
        QCOMPARE(session.profile.ReadStoreText("alpha", "Dir", ""), "/games/ALPHA");
    }

    void startWithUnlistedLastGameAddsItToSelectorOnly() {
        Session seed(m_store);
        seed.profile.WriteStoreText("Settings", "LastGame", "ghost");
        seed.profile.WriteStoreText("ghost", "Dir", "/ghost");
        Session session(m_store);
        session.Start();
        QCOMPARE(session.selector.entries, Entries{"ghost"});
        QCOMPARE(session.selector.SelectedText(), "ghost");
        QCOMPARE(session.window.controls.directory, "/ghost");
        QCOMPARE(StoredList(session.profile), Entries{});
    }

    void exitWithEmptyNameStoresNoGame() {
        Session session(m_store);
        session.Start();
        session.window.controls.directory = "/typed";
        session.mail.mailProfile = "profile";
        QVERIFY(session.store.Exit());
        QCOMPARE(session.profile.ReadStoreText("Settings", "LastGame", "missing"), "");
        QCOMPARE(session.profile.ReadStoreText("Settings", "Mail Profile", ""), "profile");
        QCOMPARE(session.profile.ReadStoreText("", "Dir", "missing"), "missing");
        QCOMPARE(StoredList(session.profile), Entries{});
    }

    void exitTellsHostWhileStoreCannotBeWrittenAndSavesAllWhenRetried() {
        m_store.Block();
        Session session(m_store);
        session.Start();
        session.Type("alpha", "/games", {});
        session.mail.returnEmail = "host@example.org";
        QVERIFY(!session.store.Exit());
        QCOMPARE(session.window.messages.size(), std::size_t{1});
        QVERIFY(session.window.messages[0].find("could not all be saved") != std::string::npos);
        QCOMPARE(session.game.directory, "/games");
        m_store.Clear();
        QVERIFY(session.store.Exit());
        QCOMPARE(session.window.messages.size(), std::size_t{1});
        const std::unique_ptr<ProfileStore> reader = m_store.Open();
        QCOMPARE(reader->ReadStoreText("alpha", "Dir", ""), "/games");
        QCOMPARE(reader->ReadStoreText("Settings", "Return Email", ""), "host@example.org");
    }
};

QTEST_GUILESS_MAIN(GameStoreTest)
#include "GameStoreTest.moc"
