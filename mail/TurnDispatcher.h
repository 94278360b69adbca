#pragma once

#include "DispatchWindow.h"
#include "GameRecord.h"
#include "MapiLibrary.h"
#include "RunRecorder.h"
#include "SendChecks.h"
#include "SendServices.h"
#include "TurnMailSet.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The "Send Files" run: mails every selected player of the game on screen his
// turn file (and the further file when ticked) and reports how many went out.
// Before anything is loaded the texts must fit the code page of the library
// the Email Profile picks and every file must be there; warnings about files
// that look stale need the host's word. The run's messages are recorded
// before the first goes, each again before and after it goes, and a run that
// did not send everything says who got his turn.
class TurnDispatcher {
public:
    // How the last run ended, for callers that must say so without a window.
    enum class RunStatus {
        Sent,            // every selected message went out
        PartlySent,      // sending began and stopped: refused, cancelled
        HeldBack,        // warnings the host did not send past
        DataProblem,     // a check failed, a text or an address would not do
        MailUnavailable, // the library did not load, or the logon failed
        Locked,          // another run holds the game
        RecordFailed,    // the send record or its lock could not be used
    };

    TurnDispatcher(GameRecord& game, MailSettings& settings, DispatchWindow& window,
                   MapiLibrary& library, SendServices& services);

    // Reports every failure and the count itself, in the window's message boxes.
    void SendFiles();
    // The same run for exactly these players, whatever their Send boxes say.
    void SendPlayers(const std::vector<int>& players);
    // The checks and the list of what would go out; sends nothing.
    void CheckTurnFiles();
    // One message without attachment to the return address.
    void SendTestMessage();
    // "<game>: orders due" to each of these players, as a run of its own that
    // is never taken for a turn.
    void SendReminders(const std::vector<int>& players);
    // "<game>: orders received" with `note` to one player, as a run of its
    // own; shows only its failures.
    void SendReceipt(int player, const std::string& note);

    // The game's part of the send record; nullopt, after saying why, when
    // the record cannot be read.
    std::optional<SendHistory> History();

    // Messages accepted by the current or last run.
    int SentCount() const { return m_sentCount; }
    RunStatus LastStatus() const { return m_status; }
    // What the library answered the last run's logoff.
    MapiULong LastLogoff() const { return m_logoff; }

private:
    struct Run {
        SendPlan plan;
        std::unique_ptr<RunLock> lock;
        int number = 0;
        std::string subject;
        std::string note; // the game's message when empty
        RecordLine::Purpose purpose = RecordLine::Purpose::Turn;
    };
    struct Outcome {
        MapiULong result = SUCCESS_SUCCESS;
        bool loggedOn = false;
        bool sendingBegan = false;
        bool recordFailed = false;
        std::vector<int> sent;
        std::vector<int> notSent;
    };

    void RunFor(std::vector<int> requested);
    // A run of short messages that are no turn, with the texts given.
    void SendNotice(const std::vector<int>& players, const std::string& subject,
                    const std::string& note, RecordLine::Purpose purpose, bool reportSuccess);
    // The players to send again when the host asks for it after a partial run.
    std::vector<int> RunOnce(const std::vector<int>& requested);
    // The players to send again, after the outcome has been told.
    std::vector<int> Conclude(const Outcome& outcome);
    // Null when the run must not go on; every reason has been shown.
    std::unique_ptr<Run> Prepare(const std::vector<int>& requested);
    std::unique_ptr<RunLock> LockGame();
    // The test message to the host, once the texts have been checked.
    void RunTestMessage();
    SendPlan Plan(const std::vector<int>& players, int& nextRun);
    bool HostAccepts(const SendPlan& plan);
    // Blocks the window for logon to logoff, and gives it back.
    Outcome Execute(Run& run);
    // False, with one line for each text the mail library cannot take shown.
    bool TextsFit();
    // Logon to logoff; the outcome holds the run's result code.
    Outcome RunSession(MapiUIParam owner, Run& run);
    // False with the failure already shown; nothing is sent then.
    bool ComposeAll(MapiUIParam owner, const Run& run, TurnMailSet& mails);
    bool ComposeMail(MapiUIParam owner, const PlannedMail& mail, TurnMailSet& mails);
    // Stops at the first refusal or Cancel; earlier messages stay sent.
    void SendAll(MapiUIParam owner, const SendPlan& plan, TurnMailSet& mails, RunRecorder& recorder,
                 Outcome& outcome);
    // Tells the host the record failed and what `then` happened; returns why
    // the rest is not sent.
    std::string RecordFailed(const RunRecorder& recorder, const std::string& then,
                             Outcome& outcome);

    GameRecord& m_game;
    MailSettings& m_settings;
    DispatchWindow& m_window;
    MapiLibrary& m_library;
    SendServices& m_services;
    int m_sentCount = 0;
    RunStatus m_status = RunStatus::Sent;
    MapiULong m_logoff = SUCCESS_SUCCESS;
};
