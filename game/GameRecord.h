#pragma once

#include <array>
#include <cstdint>
#include <string>

// Texts are UTF-8; flags are 32-bit signed, 0 off and anything else on.
inline constexpr int kPlayerCount = 16;
inline constexpr int kNotesLimit = 220;

struct PlayerSlot {
    std::string email;
    std::int32_t send = 0;
    std::string turnFile; // derived by TurnFilePath, never stored
};

struct GameRecord {
    std::string name;
    std::string directory;
    std::string notes;
    std::int32_t addFile = 0;
    std::string filePath;
    std::array<PlayerSlot, kPlayerCount> players;

    // Player numbers run 1..16; the array is indexed from 0.
    PlayerSlot& Player(int number) { return players.at(static_cast<std::size_t>(number - 1)); }
    const PlayerSlot& Player(int number) const {
        return players.at(static_cast<std::size_t>(number - 1));
    }
};

struct MailSettings {
    std::string returnName;
    std::string returnEmail;
    std::string mailProfile;
    std::string password;
    std::int32_t receipt = 0;
};
