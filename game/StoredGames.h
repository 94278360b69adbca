#pragma once

#include "GameRecord.h"
#include "ProfileStore.h"

#include <string>
#include <vector>

// Where the games and mail options live in the store, and reading them
// without the window: the window and the command line read them alike.
namespace StoreNames {
inline constexpr const char* kSettings = "Settings";
inline constexpr const char* kGameCount = "GameCount";
std::string GameValue(int index);   // "Game<index>" of the list
std::string EmailValue(int number); // player `number`'s address in a game's section
std::string SendValue(int number);  // his Send flag
} // namespace StoreNames

// The listed games: "Game1" to "Game<GameCount>", or up to the first empty
// entry when the count is missing or zero.
std::vector<std::string> ReadGameNames(ProfileStore& store);
MailSettings ReadMailSettings(ProfileStore& store);
// The section of `game.name` into every other field of `game` (turn files are
// not stored; they are left to the caller).
void ReadGameSection(ProfileStore& store, GameRecord& game);
