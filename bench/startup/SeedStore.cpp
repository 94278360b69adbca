// Fills the current user's store (as the program named PROGRAM opens it, so
// XDG_CONFIG_HOME chooses where) with GAMES games of 16 players each, listed
// in the order a host creates them: not sorted, names in mixed case, some
// beyond ASCII. The game shown at start-up is one from the middle.
// Usage: zorvel_startup_seed PROGRAM GAMES
#include "OpenProfileStore.h"
#include "ProgramIdentity.h"
#include "StoreTransaction.h"
#include "StoredGames.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace StoreNames;

namespace {

std::vector<std::string> GameNames(int games) {
    static const std::array<const char*, 8> kWords = {"alpha",
                                                      "Bravo",
                                                      "charlie",
                                                      "Delta",
                                                      "\xc3\xa9"
                                                      "cho",
                                                      "Foxtrot",
                                                      "golf",
                                                      "H\xc3\xb4tel"};
    std::vector<std::string> names;
    for (int index = 0; index < games; ++index) {
        char number[16];
        std::snprintf(number, sizeof number, " %05d", index);
        names.push_back(kWords[static_cast<std::size_t>(index) % kWords.size()] +
                        std::string(number));
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(20240611));
    return names;
}

void WriteGame(ProfileStore& store, const std::string& name) {
    store.WriteStoreText(name, "Dir", "/home/host/games/" + name);
    store.WriteStoreText(name, "Notes", "Your turn is attached; reply by Friday.");
    store.WriteStoreText(name, "FilePath", "");
    store.WriteStoreInt(name, "AddFile", 0);
    for (int number = 1; number <= kPlayerCount; ++number) {
        store.WriteStoreText(name, EmailValue(number),
                             "player" + std::to_string(number) + "@example.org");
        store.WriteStoreInt(name, SendValue(number), 1);
    }
}

void Seed(ProfileStore& store, int games) {
    const std::vector<std::string> names = GameNames(games);
    const StoreTransaction transaction(store);
    for (int index = 1; index <= games; ++index) {
        const std::string& name = names[static_cast<std::size_t>(index - 1)];
        store.WriteStoreText(kSettings, GameValue(index), name);
        WriteGame(store, name);
    }
    store.WriteStoreInt(kSettings, kGameCount, games);
    store.WriteStoreText(kSettings, "LastGame", games > 0 ? names[names.size() / 2] : "");
}

} // namespace

int main(int argc, char** argv) {
    const int games = argc == 3 ? std::atoi(argv[2]) : -1;
    if (games < 0) {
        std::fprintf(stderr, "usage: zorvel_startup_seed PROGRAM GAMES\n");
        return 64;
    }
    const std::unique_ptr<ProfileStore> store = OpenProfileStore(kCompanyKey, argv[1]);
    Seed(*store, games);
    if (store->TakeWriteFailure()) {
        std::fprintf(stderr, "zorvel_startup_seed: the store could not be written\n");
        return 74;
    }
    return 0;
}
