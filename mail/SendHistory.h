#pragma once

#include "SendRecord.h"
#include "SendServices.h"

#include <optional>
#include <string>
#include <vector>

// One message of the record as the host sees it.
struct HistoryEntry {
    enum class Outcome { Sent, Refused, NotSent, Unknown, NotReached };
    std::int64_t time = 0; // of the handover, of "not sent", or of the plan
    int run = 0;
    int player = RecordLine::kTestMessage;
    std::string address;
    std::vector<RecordedFile> files;
    Outcome outcome = Outcome::Unknown;
    MapiULong code = SUCCESS_SUCCESS;
    std::string reason;
};

// "sent", "refused: Attachment Not Found (11)", "not sent: cancelled",
// "outcome unknown", "not reached".
std::string OutcomeText(const HistoryEntry& entry);

// One game's part of the send record. A handover with no outcome after it
// (the program was killed while the mail library had the message) reads as
// "outcome unknown"; a planned message with neither handover nor outcome (the
// run ended before it) as "not reached".
class SendHistory {
public:
    // Lines of other games, by the folded name, and lines that do not parse are left out.
    SendHistory(const std::vector<std::string>& lines, const std::string& game,
                const NameFolding& names);

    // Newest first; every player's when `player` is empty.
    std::vector<HistoryEntry> Entries(std::optional<int> player = std::nullopt) const;
    // The player's newest message that was sent.
    std::optional<HistoryEntry> LastSent(int player) const;
    // Players of the game's newest run to players who did not get theirs.
    std::vector<int> NotSentInLastRun() const;
    // The number the game's next run records under.
    int NextRun() const;

private:
    std::vector<HistoryEntry> m_entries; // oldest first
};

// "The send record <where> <why>", for a failure the record reported.
std::string RecordProblem(const SendRecordFile& record, const std::string& why);

// The game's part of the send record. Nullopt, with `problem` set to the
// RecordProblem sentence (without its full stop), when it cannot be read.
std::optional<SendHistory> ReadSendHistory(const SendServices& services, const std::string& game,
                                           std::string& problem);
