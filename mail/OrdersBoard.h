#pragma once

#include "GameRecord.h"
#include "SendRecord.h"
#include "SendServices.h"

#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A game's part of the send record as collecting orders reads it: when each
// player's last turn went out, the messages already taken, and the newest
// message examined.
class OrdersRecord {
public:
    OrdersRecord(const std::vector<std::string>& lines, const std::string& game,
                 const NameFolding& names);

    using TurnTimes = std::array<std::optional<std::int64_t>, kPlayerCount>;
    const TurnTimes& TurnsSent() const { return m_turnsSent; }
    bool Took(const std::string& messageId) const { return m_taken.count(messageId) != 0; }
    const std::string& LastScanned() const { return m_lastScanned; }
    // The player's newest orders since his last turn went out; nullopt while waiting.
    std::optional<RecordLine> Orders(int player) const;
    // How many earlier messages of his since then a later one replaced.
    int Replaced(int player) const { return m_replaced.at(static_cast<std::size_t>(player - 1)); }

private:
    TurnTimes m_turnsSent;
    std::set<std::string> m_taken;
    std::string m_lastScanned;
    std::array<std::optional<RecordLine>, kPlayerCount> m_orders;
    std::array<int, kPlayerCount> m_replaced{};
};

// One row of the board, for a player with an address.
struct BoardRow {
    int player = 0;
    std::string address;
    std::optional<std::int64_t> turnSent;
    std::string orders; // "waiting", what was saved, or why nothing was
};

std::vector<BoardRow> OrdersBoard(const GameRecord& game, const OrdersRecord& record,
                                  const SendClock& clock);

// The board's text for a received line: "<time>: NAME (SIZE), ..." with its
// note after " - ", or the note alone when nothing was saved.
std::string OrdersText(const RecordLine& line, const SendClock& clock);

// The text of a receipt for the orders of `line`: each saved file with its
// size and SHA-256.
std::string ReceiptNote(const std::string& game, const RecordLine& line);

// The players of `rows` still waiting for, in order.
std::vector<int> WaitingPlayers(const std::vector<BoardRow>& rows);

inline constexpr const char* kWaiting = "waiting";
inline constexpr const char* kReplacedByLater = "replaced by a later message";
