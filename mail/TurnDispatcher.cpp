#include "TurnDispatcher.h"

#include "MailTextCheck.h"
#include "MapiFailureTexts.h"
#include "ProgramIdentity.h"
#include "TurnFile.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {
std::string NoteText(const std::string& notes) {
    return std::string("Turns mailed by Zorvel from ") + kMakerName + " (" + kMakerUrl + ")\n\n" +
           notes;
}

std::string SentReport(int count) {
    if (count == 1) {
        return "1 Message sent successfully";
    }
    return std::to_string(count) + " Messages sent successfully";
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

std::string Lines(const std::vector<CheckFinding>& findings) {
    std::vector<std::string> lines;
    std::transform(findings.begin(), findings.end(), std::back_inserter(lines), FindingText);
    return Lines(lines);
}

// "none", "Player 5" or "Players 1, 2, 4".
std::string PlayerList(const std::vector<int>& players) {
    if (players.empty()) {
        return "none";
    }
    std::string list = players.size() == 1 ? "Player " : "Players ";
    for (std::size_t index = 0; index < players.size(); ++index) {
        list += (index == 0 ? "" : ", ") + std::to_string(players[index]);
    }
    return list;
}

std::string WhatWouldGo(const SendPlan& plan) {
    if (!plan.problems.empty()) {
        return Lines(plan.problems) + "\n\nThese must be mended before anything can be sent.";
    }
    if (plan.mails.empty()) {
        return "No player is selected: nothing would be sent.";
    }
    std::vector<std::string> lines{"These messages would go out:"};
    std::transform(plan.mails.begin(), plan.mails.end(), std::back_inserter(lines), PlanLine);
    std::string text = Lines(lines);
    if (!plan.warnings.empty()) {
        text += "\n\nWarnings:\n" + Lines(plan.warnings);
    }
    return text;
}

} // namespace

TurnDispatcher::TurnDispatcher(GameRecord& game, MailSettings& settings, DispatchWindow& window,
                               MapiLibrary& library, SendServices& services)
    : game_(game), settings_(settings), window_(window), library_(library), services_(services) {}

void TurnDispatcher::SendFiles() {
    RunFor({});
}

void TurnDispatcher::SendPlayers(const std::vector<int>& players) {
    if (!players.empty()) {
        RunFor(players);
    }
}

void TurnDispatcher::RunFor(std::vector<int> requested) {
    window_.BeginWaitCursor();
    do {
        requested = RunOnce(requested);
    } while (!requested.empty());
    window_.EndWaitCursor();
}

std::vector<int> TurnDispatcher::RunOnce(const std::vector<int>& requested) {
    // The checks must see what is on screen; the run reads again after logon.
    window_.ReadControls();
    status_ = RunStatus::DataProblem;
    if (!TextsFit()) {
        return {};
    }
    std::unique_ptr<Run> run = Prepare(requested);
    if (!run) {
        return {};
    }
    if (!library_.Bind()) {
        status_ = RunStatus::MailUnavailable;
        return {};
    }
    const Outcome outcome = Execute(*run);
    run.reset(); // the game is free again before the host is asked anything
    return Conclude(outcome);
}

std::vector<int> TurnDispatcher::Conclude(const Outcome& outcome) {
    if (!outcome.sendingBegan) {
        status_ = outcome.loggedOn ? RunStatus::DataProblem : RunStatus::MailUnavailable;
        return {};
    }
    if (outcome.notSent.empty()) {
        status_ = RunStatus::Sent;
        if (outcome.result == SUCCESS_SUCCESS) {
            window_.ShowReport(SentReport(sentCount_));
        }
        return {};
    }
    status_ = outcome.sent.empty() && outcome.recordFailed ? RunStatus::RecordFailed
                                                           : RunStatus::PartlySent;
    const std::string summary =
        "Sent: " + PlayerList(outcome.sent) + ". Not sent: " + PlayerList(outcome.notSent) + ".";
    if (window_.AskSendRest(summary)) {
        return outcome.notSent;
    }
    return {};
}

bool TurnDispatcher::TextsFit() {
    const std::vector<std::string> problems =
        MailTextProblems(game_, settings_, library_.codePage());
    if (!problems.empty()) {
        window_.ShowMessage(Lines(problems));
    }
    return problems.empty();
}

std::unique_ptr<TurnDispatcher::Run> TurnDispatcher::Prepare(const std::vector<int>& requested) {
    auto run = std::make_unique<Run>();
    run->lock = LockGame();
    if (!run->lock) {
        return nullptr;
    }
    run->plan = Plan(SelectedPlayers(game_, requested), run->number);
    run->subject = game_.name;
    if (!HostAccepts(run->plan)) {
        return nullptr;
    }
    return run;
}

std::unique_ptr<RunLock> TurnDispatcher::LockGame() {
    std::string problem;
    std::unique_ptr<RunLock> lock =
        services_.locks.Acquire(services_.names.Fold(game_.name), problem);
    if (!lock) {
        status_ = problem.empty() ? RunStatus::Locked : RunStatus::RecordFailed;
        window_.ShowMessage(problem.empty() ? "Another run is mailing the turns of " + game_.name +
                                                  " right now. Send again when it has ended."
                                            : problem);
    }
    return lock;
}

SendPlan TurnDispatcher::Plan(const std::vector<int>& players, int& nextRun) {
    std::string problem;
    const std::optional<SendHistory> history = ReadSendHistory(services_, game_.name, problem);
    nextRun = history ? history->NextRun() : 1;
    SendPlan plan =
        PlanSend(game_, players, services_.files, history ? &*history : nullptr, services_.clock);
    if (!history) {
        CheckFinding unread;
        unread.subject = CheckFinding::Subject::SendRecord;
        unread.kind = CheckFinding::Kind::RecordUnreadable;
        unread.detail = problem;
        plan.warnings.insert(plan.warnings.begin(), unread);
    }
    return plan;
}

bool TurnDispatcher::HostAccepts(const SendPlan& plan) {
    if (!plan.problems.empty()) {
        window_.ShowMessage(Lines(plan.problems) + "\n\nNothing was sent.");
        return false;
    }
    if (plan.warnings.empty() || window_.AskSendAnyway(Lines(plan.warnings))) {
        return true;
    }
    status_ = RunStatus::HeldBack;
    return false;
}

TurnDispatcher::Outcome TurnDispatcher::Execute(Run& run) {
    window_.Block();
    const Outcome outcome = RunSession(window_.OwnerHandle(), run);
    window_.GiveBack();
    return outcome;
}

TurnDispatcher::Outcome TurnDispatcher::RunSession(MapiUIParam owner, Run& run) {
    Outcome outcome;
    if (!library_.Logon(owner, settings_.mailProfile, settings_.password)) {
        outcome.result = library_.lastResult();
        return outcome;
    }
    outcome.loggedOn = true;
    // A text over the window's limit has been reported by its own check; the
    // run goes on with what was read.
    window_.ReadControls();
    RunRecorder recorder(services_, game_.name, run.number);
    TurnMailSet mails(library_.codePage());
    if (ComposeAll(owner, run, mails)) {
        SendAll(owner, run.plan, mails, recorder, outcome);
    } else {
        outcome.result = library_.lastResult();
        for (const PlannedMail& mail : run.plan.mails) {
            recorder.NotSent(mail, "an address was not resolved");
            outcome.notSent.push_back(mail.player);
        }
    }
    logoff_ = library_.Logoff(owner);
    library_.ReleaseResolvedNames();
    if (outcome.result == SUCCESS_SUCCESS) {
        outcome.result = logoff_;
    }
    return outcome;
}

bool TurnDispatcher::ComposeAll(MapiUIParam owner, const Run& run, TurnMailSet& mails) {
    if (!settings_.returnEmail.empty()) {
        const std::optional<MapiRecipDesc> originator =
            library_.ResolveName(owner, settings_.returnEmail);
        if (!originator) {
            return false;
        }
        mails.SetOriginator(*originator);
    }
    mails.SetTexts(run.subject, NoteText(game_.notes));
    const std::vector<PlannedMail>& planned = run.plan.mails;
    if (planned.size() == 1 && planned.front().player == RecordLine::kTestMessage) {
        return ComposeMail(owner, planned.front(), mails);
    }
    for (int number = 1; number <= kPlayerCount; ++number) {
        window_.RefreshRow(number);
        const auto mail = std::find_if(planned.begin(), planned.end(),
                                       [number](const auto& m) { return m.player == number; });
        if (mail != planned.end() && !ComposeMail(owner, *mail, mails)) {
            return false;
        }
    }
    return true;
}

bool TurnDispatcher::ComposeMail(MapiUIParam owner, const PlannedMail& mail, TurnMailSet& mails) {
    const std::optional<MapiRecipDesc> recipient = library_.ResolveName(owner, mail.address);
    if (!recipient) {
        return false;
    }
    std::vector<Attachment> attachments;
    for (const PlannedFile& file : mail.files) {
        attachments.push_back({file.path, file.name});
    }
    mails.Add(*recipient, attachments);
    return true;
}

void TurnDispatcher::SendAll(MapiUIParam owner, const SendPlan& plan, TurnMailSet& mails,
                             RunRecorder& recorder, Outcome& outcome) {
    sentCount_ = 0;
    outcome.sendingBegan = true;
    const int total = static_cast<int>(plan.mails.size());
    if (total > 0) {
        window_.StartProgress(total);
    }
    // Everyone is on the record before the first handover, so that a run
    // that dies midway still names those it never reached.
    std::string stopped; // why the rest is not sent
    if (!recorder.Planned(plan.mails)) {
        stopped = RecordFailed(recorder, "Nothing was sent.", outcome);
    }
    std::size_t index = 0;
    for (; index < plan.mails.size() && stopped.empty(); ++index) {
        const PlannedMail& mail = plan.mails[index];
        const int number = static_cast<int>(index) + 1;
        if (!window_.ShowProgress(number, ProgressText(mail, number, total))) {
            stopped = "cancelled";
            break;
        }
        if (!recorder.Handover(mail)) {
            stopped = RecordFailed(recorder, "Nothing more was sent.", outcome);
            break;
        }
        MapiMessage message = mails.Message(index);
        if (library_.SendMail(owner, message)) {
            recorder.Sent(mail);
            outcome.sent.push_back(mail.player);
            ++sentCount_;
            continue;
        }
        outcome.result = library_.lastResult();
        recorder.Refused(mail, outcome.result, SendMailFailureText(outcome.result));
        outcome.notSent.push_back(mail.player);
        stopped = "an earlier message was refused";
    }
    for (; index < plan.mails.size(); ++index) {
        recorder.NotSent(plan.mails[index], stopped);
        outcome.notSent.push_back(plan.mails[index].player);
    }
    if (total > 0) {
        window_.EndProgress();
    }
}

std::string TurnDispatcher::RecordFailed(const RunRecorder& recorder, const std::string& then,
                                         Outcome& outcome) {
    window_.ShowMessage(recorder.problem() + ". " + then);
    outcome.recordFailed = true;
    return "the send record could not be written";
}

void TurnDispatcher::CheckTurnFiles() {
    window_.BeginWaitCursor();
    window_.ReadControls();
    int nextRun = 0;
    const SendPlan plan = Plan(SelectedPlayers(game_, {}), nextRun);
    window_.EndWaitCursor();
    window_.ShowMessage(WhatWouldGo(plan));
}

void TurnDispatcher::SendTestMessage() {
    window_.BeginWaitCursor();
    window_.ReadControls();
    if (!settings_.returnEmail.empty() && TextsFit()) {
        RunTestMessage();
    }
    window_.EndWaitCursor();
}

void TurnDispatcher::RunTestMessage() {
    Run run;
    run.lock = LockGame();
    // The record is read only for a run that will go ahead.
    if (!run.lock || !library_.Bind()) {
        return;
    }
    std::string problem;
    const std::optional<SendHistory> history = ReadSendHistory(services_, game_.name, problem);
    run.number = history ? history->NextRun() : 1;
    run.plan.mails.push_back({RecordLine::kTestMessage, settings_.returnEmail, {}});
    run.subject = game_.name + " (test)";
    const Outcome outcome = Execute(run);
    if (outcome.result == SUCCESS_SUCCESS && outcome.notSent.empty()) {
        window_.ShowReport("A test message went to " + settings_.returnEmail + ".");
    }
}

std::optional<SendHistory> TurnDispatcher::History() {
    std::string problem;
    std::optional<SendHistory> history = ReadSendHistory(services_, game_.name, problem);
    if (!history) {
        window_.ShowMessage(problem + ".");
    }
    return history;
}
