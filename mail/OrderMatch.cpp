#include "OrderMatch.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

std::string LocalMinute(std::int64_t utc) {
    const std::time_t time = static_cast<std::time_t>(utc);
    const std::tm* local = std::localtime(&time);
    char text[32] = {};
    if (local == nullptr || std::strftime(text, sizeof text, "%Y/%m/%d %H:%M", local) == 0) {
        return {};
    }
    return text;
}

OrderMatch::OrderMatch(const GameRecord& game,
                       const std::array<std::optional<std::int64_t>, kPlayerCount>& turnsSent,
                       const NameFolding& names)
    : m_game(game), m_names(names), m_foldedGame(names.Fold(game.name)) {
    for (std::size_t at = 0; at < turnsSent.size(); ++at) {
        m_after[at] = turnsSent[at] ? LocalMinute(*turnsSent[at]) : std::string();
    }
}

std::optional<int> OrderMatch::Player(const MailEnvelope& envelope) const {
    if (m_foldedGame.empty() ||
        m_names.Fold(envelope.subject).find(m_foldedGame) == std::string::npos) {
        return std::nullopt;
    }
    const std::string from = Lower(envelope.from);
    for (int number = 1; number <= kPlayerCount; ++number) {
        const std::string& address = m_game.Player(number).email;
        // The same fixed-width format orders as the times do.
        const std::string& after = m_after[static_cast<std::size_t>(number - 1)];
        if (!address.empty() && Lower(address) == from && envelope.arrived >= after) {
            return number;
        }
    }
    return std::nullopt;
}
