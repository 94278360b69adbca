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

// What the checks before sending found: the messages, the problems that
// stop the run and the warnings the host may send past.
struct SendPlan {
    std::vector<PlannedMail> mails;
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
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
