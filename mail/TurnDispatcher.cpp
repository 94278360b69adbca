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
    : m_game(game), m_settings(settings), m_window(window), m_library(library),
      m_services(services) {}

void TurnDispatcher::SendFiles() {
    RunFor({});
}

void TurnDispatcher::SendPlayers(const std::vector<int>& players) {
    if (!players.empty()) {
        RunFor(players);
    }
}

void TurnDispatcher::RunFor(std::vector<int> requested) {
    m_window.BeginWaitCursor();
    do {
        requested = RunOnce(requested);
    } while (!requested.empty());
    m_window.EndWaitCursor();
}

std::vector<int> TurnDispatcher::RunOnce(const std::vector<int>& requested) {
    // The checks must see what is on screen; the run reads again after logon.
    m_window.ReadControls();
    m_status = RunStatus::DataProblem;
    if (!TextsFit()) {
        return {};
    }
    std::unique_ptr<Run> run = Prepare(requested);
    if (!run) {
        return {};
    }
    if (!m_library.Bind(m_settings.mailProfile)) {
        m_status = RunStatus::MailUnavailable;
        return {};
    }
    const Outcome outcome = Execute(*run);
    run.reset(); // the game is free again before the host is asked anything
    return Conclude(outcome);
}

std::vector<int> TurnDispatcher::Conclude(const Outcome& outcome) {
    if (!outcome.sendingBegan) {
        m_status = outcome.loggedOn ? RunStatus::DataProblem : RunStatus::MailUnavailable;
        return {};
    }
    if (outcome.notSent.empty()) {
        m_status = RunStatus::Sent;
        if (outcome.result == SUCCESS_SUCCESS) {
            m_window.ShowReport(SentReport(m_sentCount));
        }
        return {};
    }
    m_status = outcome.sent.empty() && outcome.recordFailed ? RunStatus::RecordFailed
                                                            : RunStatus::PartlySent;
    const std::string summary =
        "Sent: " + PlayerList(outcome.sent) + ". Not sent: " + PlayerList(outcome.notSent) + ".";
    if (m_window.AskSendRest(summary)) {
        return outcome.notSent;
    }
    return {};
}

bool TurnDispatcher::TextsFit() {
    const std::vector<std::string> problems =
        MailTextProblems(m_game, m_settings, m_library.CodePageFor(m_settings.mailProfile));
    if (!problems.empty()) {
        m_window.ShowMessage(Lines(problems));
    }
    return problems.empty();
}

std::unique_ptr<TurnDispatcher::Run> TurnDispatcher::Prepare(const std::vector<int>& requested) {
    auto run = std::make_unique<Run>();
    run->lock = LockGame();
    if (!run->lock) {
        return nullptr;
    }
    run->plan = Plan(SelectedPlayers(m_game, requested), run->number);
    run->subject = m_game.name;
    if (!HostAccepts(run->plan)) {
        return nullptr;
    }
    return run;
}

std::unique_ptr<RunLock> TurnDispatcher::LockGame() {
    std::string problem;
    std::unique_ptr<RunLock> lock =
        m_services.locks.Acquire(m_services.names.Fold(m_game.name), problem);
    if (!lock) {
        m_status = problem.empty() ? RunStatus::Locked : RunStatus::RecordFailed;
        m_window.ShowMessage(problem.empty()
                                 ? "Another run is mailing the turns of " + m_game.name +
                                       " right now. Send again when it has ended."
                                 : problem);
    }
    return lock;
}

SendPlan TurnDispatcher::Plan(const std::vector<int>& players, int& nextRun) {
    std::string problem;
    const std::optional<SendHistory> history = ReadSendHistory(m_services, m_game.name, problem);
    nextRun = history ? history->NextRun() : 1;
    SendPlan plan = PlanSend(m_game, players, m_services.files, history ? &*history : nullptr,
                             m_services.clock);
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
        m_window.ShowMessage(Lines(plan.problems) + "\n\nNothing was sent.");
        return false;
    }
    if (plan.warnings.empty() || m_window.AskSendAnyway(Lines(plan.warnings))) {
        return true;
    }
    m_status = RunStatus::HeldBack;
    return false;
}

TurnDispatcher::Outcome TurnDispatcher::Execute(Run& run) {
    m_window.Block();
    const Outcome outcome = RunSession(m_window.OwnerHandle(), run);
    m_window.GiveBack();
    return outcome;
}

TurnDispatcher::Outcome TurnDispatcher::RunSession(MapiUIParam owner, Run& run) {
    Outcome outcome;
    if (!m_library.Logon(owner, m_settings.mailProfile, m_settings.password)) {
        outcome.result = m_library.LastResult();
        return outcome;
    }
    outcome.loggedOn = true;
    // A text over the window's limit has been reported by its own check; the
    // run goes on with what was read.
    m_window.ReadControls();
    RunRecorder recorder(m_services, m_game.name, run.number, run.purpose);
    TurnMailSet mails(m_library.CodePage());
    if (ComposeAll(owner, run, mails)) {
        SendAll(owner, run.plan, mails, recorder, outcome);
    } else {
        outcome.result = m_library.LastResult();
        for (const PlannedMail& mail : run.plan.mails) {
            recorder.NotSent(mail, "an address was not resolved");
            outcome.notSent.push_back(mail.player);
        }
    }
    m_logoff = m_library.Logoff(owner);
    m_library.ReleaseResolvedNames();
    if (outcome.result == SUCCESS_SUCCESS) {
        outcome.result = m_logoff;
    }
    return outcome;
}

bool TurnDispatcher::ComposeAll(MapiUIParam owner, const Run& run, TurnMailSet& mails) {
    if (!m_settings.returnEmail.empty()) {
        const std::optional<MapiRecipDesc> originator =
            m_library.ResolveName(owner, m_settings.returnEmail);
        if (!originator) {
            return false;
        }
        mails.SetOriginator(*originator);
    }
    mails.SetTexts(run.subject, run.note.empty() ? NoteText(m_game.notes) : run.note);
    const std::vector<PlannedMail>& planned = run.plan.mails;
    if (planned.size() == 1 && planned.front().player == RecordLine::kTestMessage) {
        return ComposeMail(owner, planned.front(), mails);
    }
    for (int number = 1; number <= kPlayerCount; ++number) {
        m_window.RefreshRow(number);
        const auto mail = std::find_if(planned.begin(), planned.end(),
                                       [number](const auto& m) { return m.player == number; });
        if (mail != planned.end() && !ComposeMail(owner, *mail, mails)) {
            return false;
        }
    }
    return true;
}

bool TurnDispatcher::ComposeMail(MapiUIParam owner, const PlannedMail& mail, TurnMailSet& mails) {
    const std::optional<MapiRecipDesc> recipient = m_library.ResolveName(owner, mail.address);
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
    m_sentCount = 0;
    outcome.sendingBegan = true;
    const int total = static_cast<int>(plan.mails.size());
    if (total > 0) {
        m_window.StartProgress(total);
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
        if (!m_window.ShowProgress(number, ProgressText(mail, number, total))) {
            stopped = "cancelled";
            break;
        }
        if (!recorder.Handover(mail)) {
            stopped = RecordFailed(recorder, "Nothing more was sent.", outcome);
            break;
        }
        MapiMessage message = mails.Message(index);
        if (m_library.SendMail(owner, message)) {
            recorder.Sent(mail);
            outcome.sent.push_back(mail.player);
            ++m_sentCount;
            continue;
        }
        outcome.result = m_library.LastResult();
        recorder.Refused(mail, outcome.result, SendMailFailureText(outcome.result));
        outcome.notSent.push_back(mail.player);
        stopped = "an earlier message was refused";
    }
    for (; index < plan.mails.size(); ++index) {
        recorder.NotSent(plan.mails[index], stopped);
        outcome.notSent.push_back(plan.mails[index].player);
    }
    if (total > 0) {
        m_window.EndProgress();
    }
}

std::string TurnDispatcher::RecordFailed(const RunRecorder& recorder, const std::string& then,
                                         Outcome& outcome) {
    m_window.ShowMessage(recorder.Problem() + ". " + then);
    outcome.recordFailed = true;
    return "the send record could not be written";
}

void TurnDispatcher::CheckTurnFiles() {
    m_window.BeginWaitCursor();
    m_window.ReadControls();
    int nextRun = 0;
    const SendPlan plan = Plan(SelectedPlayers(m_game, {}), nextRun);
    m_window.EndWaitCursor();
    m_window.ShowMessage(WhatWouldGo(plan));
}

void TurnDispatcher::SendTestMessage() {
    m_window.BeginWaitCursor();
    m_window.ReadControls();
    if (!m_settings.returnEmail.empty() && TextsFit()) {
        RunTestMessage();
    }
    m_window.EndWaitCursor();
}

void TurnDispatcher::RunTestMessage() {
    Run run;
    run.lock = LockGame();
    // The record is read only for a run that will go ahead.
    if (!run.lock || !m_library.Bind(m_settings.mailProfile)) {
        return;
    }
    std::string problem;
    const std::optional<SendHistory> history = ReadSendHistory(m_services, m_game.name, problem);
    run.number = history ? history->NextRun() : 1;
    run.plan.mails.push_back({RecordLine::kTestMessage, m_settings.returnEmail, {}});
    run.subject = m_game.name + " (test)";
    const Outcome outcome = Execute(run);
    if (outcome.result == SUCCESS_SUCCESS && outcome.notSent.empty()) {
        m_window.ShowReport("A test message went to " + m_settings.returnEmail + ".");
    }
}

void TurnDispatcher::SendReminders(const std::vector<int>& players) {
    SendNotice(players, m_game.name + ": orders due",
               "Your orders for " + m_game.name + " have not arrived yet. Please send them.",
               RecordLine::Purpose::Reminder, true);
}

void TurnDispatcher::SendReceipt(int player, const std::string& note) {
    SendNotice({player}, m_game.name + ": orders received", note, RecordLine::Purpose::Receipt,
               false);
}

void TurnDispatcher::SendNotice(const std::vector<int>& players, const std::string& subject,
                                const std::string& note, RecordLine::Purpose purpose,
                                bool reportSuccess) {
    m_window.BeginWaitCursor();
    Run run;
    run.lock = LockGame();
    if (run.lock) {
        m_status = RunStatus::MailUnavailable;
    }
    if (run.lock && m_library.Bind(m_settings.mailProfile)) {
        std::string problem;
        const std::optional<SendHistory> history =
            ReadSendHistory(m_services, m_game.name, problem);
        run.number = history ? history->NextRun() : 1;
        for (const int player : players) {
            run.plan.mails.push_back({player, m_game.Player(player).email, {}});
        }
        run.subject = subject;
        run.note = note;
        run.purpose = purpose;
        const Outcome outcome = Execute(run);
        run.lock.reset();
        m_status = outcome.sendingBegan && outcome.notSent.empty() ? RunStatus::Sent
                   : outcome.sendingBegan                          ? RunStatus::PartlySent
                                                                   : RunStatus::MailUnavailable;
        if (m_status == RunStatus::Sent && outcome.result == SUCCESS_SUCCESS && reportSuccess) {
            m_window.ShowReport(SentReport(m_sentCount));
        } else if (m_status == RunStatus::PartlySent) {
            m_window.ShowMessage("Sent: " + PlayerList(outcome.sent) +
                                 ". Not sent: " + PlayerList(outcome.notSent) + ".");
        }
    }
    m_window.EndWaitCursor();
}

std::optional<SendHistory> TurnDispatcher::History() {
    std::string problem;
    std::optional<SendHistory> history = ReadSendHistory(m_services, m_game.name, problem);
    if (!history) {
        m_window.ShowMessage(problem + ".");
    }
    return history;
}
