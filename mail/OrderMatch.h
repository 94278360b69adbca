#pragma once

#include "GameRecord.h"
#include "SendServices.h"

#include <array>
#include <optional>
#include <string>

// What a message's envelope tells.
struct MailEnvelope {
    std::string id;
    std::string from; // the bare address
    std::string subject;
    std::string arrived; // local time, "YYYY/MM/DD HH:MM"
};

// Which player of a game a message is the orders of: From his address, case
// aside; the game's name, folded as the store folds names, within the
// subject; and arrived no earlier than the minute his last turn went out.
class OrderMatch {
public:
    // `turnsSent[n - 1]`: when player n's last turn went out, UTC; nullopt
    // when the record has none, and then any time counts.
    OrderMatch(const GameRecord& game,
               const std::array<std::optional<std::int64_t>, kPlayerCount>& turnsSent,
               const NameFolding& names);

    std::optional<int> Player(const MailEnvelope& envelope) const;

private:
    const GameRecord& m_game;
    std::array<std::string, kPlayerCount> m_after; // local minutes, "" for any
    const NameFolding& m_names;
    std::string m_foldedGame;
};

// `utc` in local time as the mail library gives arrivals: "YYYY/MM/DD HH:MM".
std::string LocalMinute(std::int64_t utc);
