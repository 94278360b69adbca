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
    case RecordLine::Event::Planned:
        return HistoryEntry::Outcome::NotReached;
    case RecordLine::Event::Handover:
    case RecordLine::Event::Received:
    case RecordLine::Event::Scanned:
        break;
    }
    return HistoryEntry::Outcome::Unknown;
}

bool LeavesOpen(RecordLine::Event event) {
    return event == RecordLine::Event::Planned || event == RecordLine::Event::Handover;
}

HistoryEntry EntryOf(const RecordLine& line) {
    return {line.time, line.run,   line.player, line.address, line.files, OutcomeOf(line.event),
            line.code, line.reason};
}

// A handover or "not sent" takes the place of the plan; an outcome
// completes a handover.
void Follow(HistoryEntry& entry, const RecordLine& line) {
    if (entry.outcome == HistoryEntry::Outcome::NotReached) {
        entry = EntryOf(line);
        return;
    }
    entry.outcome = OutcomeOf(line.event);
    entry.code = line.code;
    entry.reason = line.reason;
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
    case HistoryEntry::Outcome::NotReached:
        return "not reached";
    case HistoryEntry::Outcome::Unknown:
        break;
    }
    return "outcome unknown";
}

SendHistory::SendHistory(const std::vector<std::string>& lines, const std::string& game,
                         const NameFolding& names) {
    const std::string key = names.Fold(game);
    // Runs of one game never overlap, so the lines of one message are the
    // next ones of the same run and player: plan, handover, outcome. One
    // left open means the run ended before it finished that message.
    std::map<std::pair<int, int>, std::size_t> open;
    for (const std::string& text : lines) {
        const std::optional<RecordLine> line = ParseRecordLine(text);
        // What came back is the orders board's, not a message sent.
        if (!line || line->IsCollection() || line->purpose != RecordLine::Purpose::Turn ||
            names.Fold(line->game) != key) {
            continue;
        }
        const std::pair<int, int> message{line->run, line->player};
        const auto known = open.find(message);
        if (known != open.end()) {
            Follow(m_entries[known->second], *line);
            if (!LeavesOpen(line->event)) {
                open.erase(known);
            }
            continue;
        }
        if (LeavesOpen(line->event)) {
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
