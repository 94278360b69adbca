#include "SendHistory.h"

#include <algorithm>
#include <map>

namespace {

HistoryEntry::Outcome OutcomeOf(RecordLine::Event event) {
    switch (event) {
    case RecordLine::Event::Sent:
        return HistoryEntry::Outcome::Sent;
    case RecordLine::Event::Refused:
        return HistoryEntry::Outcome::Refused;
    case RecordLine::Event::NotSent:
        return HistoryEntry::Outcome::NotSent;
    case RecordLine::Event::Handover:
        break;
    }
    return HistoryEntry::Outcome::Unknown;
}

HistoryEntry EntryOf(const RecordLine& line) {
    return {line.time, line.run,   line.player, line.address, line.files, OutcomeOf(line.event),
            line.code, line.reason};
}

} // namespace

std::string OutcomeText(const HistoryEntry& entry) {
    switch (entry.outcome) {
    case HistoryEntry::Outcome::Sent:
        return "sent";
    case HistoryEntry::Outcome::Refused:
        return "refused: " + entry.reason + " (" + std::to_string(entry.code) + ")";
    case HistoryEntry::Outcome::NotSent:
        return "not sent: " + entry.reason;
    case HistoryEntry::Outcome::Unknown:
        break;
    }
    return "outcome unknown";
}

SendHistory::SendHistory(const std::vector<std::string>& lines, const std::string& game,
                         const NameFolding& names) {
    const std::string key = names.Fold(game);
    // Runs of one game never overlap, so a handover's outcome is the next
    // line of the same run and player; a handover left open means the
    // program ended while the library had the message.
    std::map<std::pair<int, int>, std::size_t> open;
    for (const std::string& text : lines) {
        const std::optional<RecordLine> line = ParseRecordLine(text);
        if (!line || names.Fold(line->game) != key) {
            continue;
        }
        const std::pair<int, int> message{line->run, line->player};
        const auto handedOver = open.find(message);
        if (handedOver != open.end() && line->event != RecordLine::Event::Handover) {
            HistoryEntry& entry = m_entries[handedOver->second];
            entry.outcome = OutcomeOf(line->event);
            entry.code = line->code;
            entry.reason = line->reason;
            open.erase(handedOver);
            continue;
        }
        if (line->event == RecordLine::Event::Handover) {
            open[message] = m_entries.size();
        }
        m_entries.push_back(EntryOf(*line));
    }
}

std::vector<HistoryEntry> SendHistory::Entries(std::optional<int> player) const {
    std::vector<HistoryEntry> entries;
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        if (!player || entry->player == *player) {
            entries.push_back(*entry);
        }
    }
    return entries;
}

std::optional<HistoryEntry> SendHistory::LastSent(int player) const {
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        if (entry->player == player && entry->outcome == HistoryEntry::Outcome::Sent) {
            return *entry;
        }
    }
    return std::nullopt;
}

std::vector<int> SendHistory::NotSentInLastRun() const {
    // A test message to the host is a run of its own that mails no player.
    int run = 0;
    for (const HistoryEntry& entry : m_entries) {
        if (entry.player != RecordLine::kTestMessage) {
            run = std::max(run, entry.run);
        }
    }
    std::vector<int> players;
    for (const HistoryEntry& entry : m_entries) {
        if (entry.run == run && entry.player != RecordLine::kTestMessage &&
            entry.outcome != HistoryEntry::Outcome::Sent) {
            players.push_back(entry.player);
        }
    }
    std::sort(players.begin(), players.end());
    return players;
}

int SendHistory::NextRun() const {
    int last = 0;
    for (const HistoryEntry& entry : m_entries) {
        last = std::max(last, entry.run);
    }
    return last + 1;
}

std::string RecordProblem(const SendRecordFile& record, const std::string& why) {
    return "The send record " + record.Location() + " " + why;
}

std::optional<SendHistory> ReadSendHistory(const SendServices& services, const std::string& game,
                                           std::string& problem) {
    std::string why;
    const std::optional<std::vector<std::string>> lines = services.record.ReadLines(why);
    if (!lines) {
        problem = RecordProblem(services.record, why);
        return std::nullopt;
    }
    return SendHistory(*lines, game, services.names);
}
