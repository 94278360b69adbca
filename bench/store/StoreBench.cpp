// Times the store operations of start-up, a switch of games and a delete on
// stores of 1,000 and 10,000 games, and the same switch on a QSettings INI
// file as the baseline. Usage: zorvel_store_bench [folder for the stores]
#include "FakeGameSelector.h"
#include "FakeGameWindow.h"
#include "GameStore.h"
#include "IniProfileStore.h"
#include "SqliteProfileStore.h"
#include "StoreTransaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

struct Session {
    explicit Session(ProfileStore& backing) : profile(backing) {}
    ProfileStore& profile;
    GameRecord game;
    MailSettings mail;
    FakeGameSelector selector;
    FakeGameWindow window{game, selector};
    GameStore store{profile, game, mail, window, selector};
};

struct Figures {
    double startUp = 0;
    double listLoad = 0;
    double switchMedian = 0;
    double switchWorst = 0;
    double deleteMedian = 0;
    double iniSwitchMedian = 0;
};

std::string GameName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "Game %05d", index);
    return name;
}

void Populate(ProfileStore& store, int games) {
    const StoreTransaction transaction(store);
    for (int index = 1; index <= games; ++index) {
        const std::string name = GameName(index);
        store.WriteStoreText("Settings", "Game" + std::to_string(index), name);
        store.WriteStoreText(name, "Dir", "/home/host/games/" + name);
        store.WriteStoreText(name, "Notes", "Turn files are attached; reply by Friday.");
        store.WriteStoreText(name, "FilePath", "");
        store.WriteStoreInt(name, "AddFile", 0);
        for (int row = 0; row < kPlayerCount; ++row) {
            store.WriteStoreText(name, "Email" + std::to_string(row),
                                 "player" + std::to_string(row) + "@example.org");
            store.WriteStoreInt(name, "Send" + std::to_string(row), 1);
        }
    }
    store.WriteStoreInt("Settings", "GameCount", games);
    store.WriteStoreText("Settings", "LastGame", GameName(games / 2));
}

template <typename Action> double Milliseconds(Action&& action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Alternates between the last two listed games, whose list search is longest.
std::vector<double> TimeSwitches(Session& session, int games, int switches) {
    session.selector.AddEntry(GameName(games));
    session.selector.AddEntry(GameName(games - 1));
    std::vector<double> times;
    for (int round = 0; round <= switches; ++round) {
        session.selector.Pick(GameName(games - round % 2));
        const double time = Milliseconds([&] { session.store.SwitchGame(); });
        if (round > 0) {
            times.push_back(time);
        }
    }
    return times;
}

void TimeStartUp(const std::string& file, Figures& figures) {
    std::vector<double> startUps;
    std::vector<double> listLoads;
    for (int round = 0; round < 5; ++round) {
        SqliteProfileStore store(file);
        Session session(store);
        startUps.push_back(Milliseconds([&] {
            session.store.ReadSettings();
            if (!session.game.name.empty()) {
                session.store.LoadGame();
            }
            listLoads.push_back(Milliseconds([&] { session.store.LoadGameList(); }));
        }));
    }
    figures.startUp = Median(startUps);
    figures.listLoad = Median(listLoads);
}

void TimeSwitchAndDelete(const std::string& file, int games, Figures& figures) {
    SqliteProfileStore store(file);
    Session session(store);
    const std::vector<double> switches = TimeSwitches(session, games, 21);
    figures.switchMedian = Median(switches);
    figures.switchWorst = *std::max_element(switches.begin(), switches.end());
    // Deleting the first listed game moves every later entry down.
    std::vector<double> deletes;
    for (int index = 1; index <= 3; ++index) {
        session.selector.AddEntry(GameName(index));
        session.selector.Pick(GameName(index));
        session.store.SwitchGame();
        deletes.push_back(Milliseconds([&] { session.store.DeleteGame(); }));
    }
    figures.deleteMedian = Median(deletes);
}

void TimeIniSwitch(const QString& file, int games, Figures& figures) {
    {
        IniProfileStore store(file);
        Populate(store, games);
    }
    IniProfileStore store(file);
    Session session(store);
    figures.iniSwitchMedian = Median(TimeSwitches(session, games, 5));
}

Figures Measure(const QDir& folder, int games) {
    const std::string file = folder.filePath(QString("games-%1.sqlite").arg(games)).toStdString();
    {
        SqliteProfileStore store(file);
        Populate(store, games);
    }
    Figures figures;
    TimeStartUp(file, figures);
    TimeSwitchAndDelete(file, games, figures);
    TimeIniSwitch(folder.filePath(QString("games-%1.ini").arg(games)), games, figures);
    return figures;
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTemporaryDir temporary(argc > 1 ? QString(argv[1]) + "/store-bench-XXXXXX" : QString());
    if (!temporary.isValid()) {
        std::fprintf(stderr, "Cannot create a folder for the stores.\n");
        return 1;
    }
    const QDir folder(temporary.path());
    std::printf("Stores in %s (times in ms; medians unless marked worst)\n",
                qPrintable(folder.path()));
    std::printf("%7s %9s %9s %9s %12s %8s %11s %8s\n", "games", "start-up", "list", "switch",
                "switch-worst", "delete", "INI-switch", "speed-up");
    bool allMet = true;
    for (const int games : {1000, 10000}) {
        const Figures f = Measure(folder, games);
        const double speedUp = f.iniSwitchMedian / f.switchMedian;
        std::printf("%7d %9.2f %9.2f %9.2f %12.2f %8.2f %11.2f %7.0fx\n", games, f.startUp,
                    f.listLoad, f.switchMedian, f.switchWorst, f.deleteMedian, f.iniSwitchMedian,
                    speedUp);
        const bool switchMet = f.switchMedian < (games == 1000 ? 5.0 : 10.0);
        const bool listMet = games != 1000 || f.listLoad < 20.0;
        std::printf("        switch target %s, list-load target %s, 10x INI target %s\n",
                    Verdict(switchMet), Verdict(listMet), Verdict(speedUp >= 10.0));
        allMet = allMet && switchMet && listMet && speedUp >= 10.0;
    }
    return allMet ? 0 : 2;
}
