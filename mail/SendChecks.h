#pragma once

#include "GameRecord.h"
#include "SendHistory.h"
#include "SendServices.h"

#include <string>
#include <vector>

struct PlannedFile {
    std::string path;
    std::string name; // what the recipient sees
    std::uint64_t size = 0;
    std::string sha256;
};

// One message as it is to go out.
struct PlannedMail {
    int player = RecordLine::kTestMessage;
    std::string address;
    std::vector<PlannedFile> files;
};

// One thing the checks found, as data, so that callers pick findings by
// whom they are about rather than by their wording; FindingText words it.
struct CheckFinding {
    enum class Subject { Player, FurtherFile, SendRecord };
    enum class Kind {
        Missing,
        NotAFile,
        Unreadable,
        Empty,
        SameAsSent,       // the turn file's contents went out last time
        OlderThanSent,    // changed before the last turn went out
        RecordUnreadable, // so nothing was compared with what was sent
    };
    Subject subject = Subject::Player;
    int player = 0; // when the subject is a player
    Kind kind = Kind::Missing;
    std::string file;   // the path; the turn file's name when compared with what was sent
    std::string detail; // when the last turn went out, as shown; why the record cannot be read
};

// "Player 5: /games/alpha.m5 not found", "Further file: rules.txt is empty",
// "Player 3: alpha.m3 is the same file as sent on 5 Dec 20:14: last turn's?".
std::string FindingText(const CheckFinding& finding);

// What the checks before sending found: the messages, the problems that
// stop the run and the warnings the host may send past.
struct SendPlan {
    std::vector<PlannedMail> mails;
    std::vector<CheckFinding> problems;
    std::vector<CheckFinding> warnings;
};

// The players a run mails: those ticked with an address, or, when
// `requested` is not empty, exactly those (whatever their Send boxes say).
std::vector<int> SelectedPlayers(const GameRecord& game, const std::vector<int>& requested);

// Every turn file, and the further file when ticked, must be a readable,
// non-empty regular file. Without `history` (the record could not be read)
// turn files are not compared with what was sent.
SendPlan PlanSend(const GameRecord& game, const std::vector<int>& players, TurnFileProbe& files,
                  const SendHistory* history, const SendClock& clock);

// "Sending 3 of 12: Player 3, bo@example.org (alpha.m3, 1.2 MB)".
std::string ProgressText(const PlannedMail& mail, int number, int total);
// "Player 3, bo@example.org: alpha.m3 (1.2 MB), rules.txt (4.0 KB)".
std::string PlanLine(const PlannedMail& mail);
