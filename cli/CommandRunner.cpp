#include "CommandRunner.h"

#include "ConsoleWindow.h"
#include "ExitStatus.h"
#include "MapiLibrary.h"
#include "OrderCollector.h"
#include "OrderReceipts.h"
#include "OrdersSettings.h"
#include "SendChecks.h"
#include "StoreTransaction.h"
#include "StoredGames.h"
#include "TabFields.h"
#include "TurnDispatcher.h"
#include "TurnFile.h"

#include <algorithm>

namespace {

std::string StateText(FileFacts::State state) {
    switch (state) {
    case FileFacts::State::Present:
        return "present";
    case FileFacts::State::Missing:
        return "missing";
    case FileFacts::State::NotRegular:
        return "not a file";
    case FileFacts::State::Unreadable:
        return "unreadable";
    }
    return {};
}

int StatusOf(TurnDispatcher::RunStatus status) {
    using Status = TurnDispatcher::RunStatus;
    switch (status) {
    case Status::Sent:
        return ExitStatus::kDone;
    case Status::PartlySent:
        return ExitStatus::kPartlySent;
    case Status::HeldBack:
        return ExitStatus::kHeldBack;
    case Status::DataProblem:
        return ExitStatus::kData;
    case Status::MailUnavailable:
        return ExitStatus::kUnavailable;
    case Status::Locked:
        return ExitStatus::kLocked;
    case Status::RecordFailed:
        return ExitStatus::kUnreadable;
    }
    return ExitStatus::kData;
}

std::string FilesField(const std::vector<RecordedFile>& files) {
    std::string field;
    for (const RecordedFile& file : files) {
        field += (field.empty() ? "" : ", ") + file.name + " " + std::to_string(file.size);
    }
    return field;
}

// The finding of `findings` about `subject` (and `player`, for a player), if any.
const CheckFinding* FindingAbout(const std::vector<CheckFinding>& findings,
                                 CheckFinding::Subject subject, int player = 0) {
    const auto found =
        std::find_if(findings.begin(), findings.end(), [subject, player](const auto& finding) {
            return finding.subject == subject &&
                   (subject != CheckFinding::Subject::Player || finding.player == player);
        });
    return found != findings.end() ? &*found : nullptr;
}

// A collection's progress is its lines at the end, not a line per step.
class QuietProgress : public SendProgress {
public:
    void StartProgress(int) override {}
    bool ShowProgress(int, const std::string&) override { return true; }
    void EndProgress() override {}
};

// The stored game `name`, from a store the caller holds open for reading.
GameRecord StoredGame(ProfileStore& store, const std::string& name) {
    GameRecord game;
    game.name = name;
    ReadGameSection(store, game);
    return game;
}

} // namespace

int CommandRunner::Run(const Command& command) {
    if (command.kind == Command::Kind::Help) {
        m_context.out << HelpText(m_context.program);
        return ExitStatus::kDone;
    }
    if (command.kind == Command::Kind::Version) {
        m_context.out << m_context.program << " " << m_context.version << std::endl;
        return ExitStatus::kDone;
    }
    if (!m_context.store) {
        m_context.err << m_context.storeProblem << std::endl;
        return ExitStatus::kUnreadable;
    }
    if (command.kind == Command::Kind::List) {
        return List();
    }
    std::optional<GameRecord> game = FindGame(command.game);
    if (!game) {
        return ExitStatus::kData;
    }
    switch (command.kind) {
    case Command::Kind::Show:
        return Show(*game);
    case Command::Kind::Check:
        return Check(*game);
    case Command::Kind::Send:
        return Send(command, *game);
    case Command::Kind::History:
        return History(command, *game);
    case Command::Kind::Collect:
        return Collect(*game);
    case Command::Kind::Orders:
        return Orders(*game);
    case Command::Kind::Remind:
        return Remind(command, *game);
    default:
        return ExitStatus::kUsage;
    }
}

int CommandRunner::List() {
    StoreReading reading(*m_context.store);
    for (const std::string& name : ReadGameNames(*m_context.store)) {
        const GameRecord game = StoredGame(*m_context.store, name);
        m_context.out << TabLine({name, game.directory,
                                  std::to_string(SelectedPlayers(game, {}).size())})
                      << '\n';
    }
    return ExitStatus::kDone;
}

std::optional<GameRecord> CommandRunner::FindGame(const std::string& name) {
    StoreReading reading(*m_context.store);
    const NameFolding& names = m_context.services.names;
    for (const std::string& stored : ReadGameNames(*m_context.store)) {
        if (names.Fold(stored) == names.Fold(name)) {
            return StoredGame(*m_context.store, stored);
        }
    }
    m_context.err << "No game named " << name << " is stored." << std::endl;
    return std::nullopt;
}

int CommandRunner::Show(const GameRecord& game) {
    for (int number = 1; number <= kPlayerCount; ++number) {
        const PlayerSlot& slot = game.Player(number);
        std::vector<std::string> fields{std::to_string(number), slot.email,
                                        slot.send != 0 ? "1" : "0"};
        if (!slot.email.empty()) {
            const std::string path = TurnFileLocation(game, number);
            const FileFacts facts = m_context.services.files.Inspect(path);
            const bool present = facts.state == FileFacts::State::Present;
            fields.insert(fields.end(),
                          {path, StateText(facts.state), present ? std::to_string(facts.size) : "",
                           present ? IsoUtc(facts.modified) : ""});
        }
        m_context.out << TabLine(fields) << '\n';
    }
    return ExitStatus::kDone;
}

int CommandRunner::Check(const GameRecord& game) {
    const std::optional<SendHistory> history = ReadHistory(game);
    if (!history) {
        return ExitStatus::kUnreadable;
    }
    const std::vector<int> players = SelectedPlayers(game, {});
    if (players.empty()) {
        m_context.err << "No player of " << game.name << " is selected." << std::endl;
        return ExitStatus::kData;
    }
    const SendPlan plan =
        PlanSend(game, players, m_context.services.files, &*history, m_context.services.clock);
    using Subject = CheckFinding::Subject;
    for (const PlannedMail& mail : plan.mails) {
        const CheckFinding* problem = FindingAbout(plan.problems, Subject::Player, mail.player);
        const CheckFinding* finding =
            problem ? problem : FindingAbout(plan.warnings, Subject::Player, mail.player);
        m_context.out << (finding ? FindingText(*finding) : PlanLine(mail) + ": ready") << '\n';
    }
    if (const CheckFinding* further = FindingAbout(plan.problems, Subject::FurtherFile)) {
        m_context.out << FindingText(*further) << '\n';
    }
    if (!plan.problems.empty()) {
        return ExitStatus::kData;
    }
    return plan.warnings.empty() ? ExitStatus::kDone : ExitStatus::kHeldBack;
}

int CommandRunner::Send(const Command& command, GameRecord& game) {
    const std::optional<SendHistory> history = ReadHistory(game);
    if (!history) {
        return ExitStatus::kUnreadable;
    }
    const std::vector<int> requested =
        command.unsent ? history->NotSentInLastRun() : command.players;
    if ((command.unsent && requested.empty()) || SelectedPlayers(game, requested).empty()) {
        m_context.err << (command.unsent ? "Every player of the last run got his turn."
                                         : "No player of " + game.name + " is selected.")
                      << std::endl;
        return ExitStatus::kData;
    }
    MailSettings mail = ReadMailSettings(*m_context.store);
    ConsoleWindow window(game, m_context.out, m_context.err, command.yes);
    MapiLibrary library(window, m_context.mailLibraries);
    library.AllowLogonDialog(false);
    TurnDispatcher dispatcher(game, mail, window, library, m_context.services);
    if (requested.empty()) {
        dispatcher.SendFiles();
    } else {
        dispatcher.SendPlayers(requested);
    }
    if (dispatcher.LastStatus() == TurnDispatcher::RunStatus::Sent &&
        dispatcher.LastLogoff() != SUCCESS_SUCCESS) {
        m_context.err << "The mail system refused the logoff (code " << dispatcher.LastLogoff()
                      << ")." << std::endl;
    }
    return StatusOf(dispatcher.LastStatus());
}

int CommandRunner::History(const Command& command, const GameRecord& game) {
    const std::optional<SendHistory> history = ReadHistory(game);
    if (!history) {
        return ExitStatus::kUnreadable;
    }
    const std::optional<int> player =
        command.players.empty() ? std::nullopt : std::optional<int>(command.players.front());
    for (const HistoryEntry& entry : history->Entries(player)) {
        const std::string who =
            entry.player == RecordLine::kTestMessage ? "test" : std::to_string(entry.player);
        m_context.out << TabLine({IsoUtc(entry.time), who, entry.address, FilesField(entry.files),
                                  OutcomeText(entry)})
                      << '\n';
    }
    return ExitStatus::kDone;
}

int CommandRunner::Collect(GameRecord& game) {
    const OrdersSettings settings = ReadOrdersSettings(*m_context.store, game.name);
    const MailSettings mail = ReadMailSettings(*m_context.store);
    ConsoleWindow window(game, m_context.out, m_context.err, false);
    QuietProgress progress;
    MapiLibrary library(window, m_context.mailLibraries);
    library.AllowLogonDialog(false);
    OrderCollector collector(library, m_context.services, m_context.ordersFolder, progress,
                             window.OwnerHandle());
    const CollectionReport report = collector.Collect(game, settings, mail.password);
    if (!report.problem.empty()) {
        m_context.err << report.problem << std::endl;
    }
    if (settings.confirmReceipts) {
        // Quietly: the lines below are the collection's; failures still show.
        std::ostream quiet(nullptr);
        MailSettings sender = mail;
        ConsoleWindow receiptWindow(game, quiet, m_context.err, true);
        MapiLibrary sending(receiptWindow, m_context.mailLibraries);
        sending.AllowLogonDialog(false);
        TurnDispatcher dispatcher(game, sender, receiptWindow, sending, m_context.services);
        SendReceipts(dispatcher, game, report);
    }
    if (report.filesWithheld) {
        m_context.err << kFilesWithheld << std::endl;
    }
    const std::optional<std::vector<BoardRow>> rows = Board(game);
    if (!rows) {
        return ExitStatus::kUnreadable;
    }
    for (const BoardRow& row : *rows) {
        m_context.out << "Player " << row.player << ", " << row.address << ": " << row.orders
                      << '\n';
    }
    switch (report.outcome) {
    case CollectionReport::Outcome::Done:
        return ExitStatus::kDone;
    case CollectionReport::Outcome::Locked:
        return ExitStatus::kLocked;
    case CollectionReport::Outcome::Cancelled:
    case CollectionReport::Outcome::Failed:
        break;
    }
    return ExitStatus::kUnavailable;
}

int CommandRunner::Orders(const GameRecord& game) {
    const std::optional<std::vector<BoardRow>> rows = Board(game);
    if (!rows) {
        return ExitStatus::kUnreadable;
    }
    for (const BoardRow& row : *rows) {
        m_context.out << TabLine({std::to_string(row.player), row.address,
                                  row.turnSent ? IsoUtc(*row.turnSent) : "", row.orders})
                      << '\n';
    }
    return ExitStatus::kDone;
}

int CommandRunner::Remind(const Command& command, GameRecord& game) {
    const std::optional<std::vector<BoardRow>> rows = Board(game);
    if (!rows) {
        return ExitStatus::kUnreadable;
    }
    const std::vector<int> waiting = WaitingPlayers(*rows);
    if (waiting.empty()) {
        m_context.out << "Every player's orders are in." << std::endl;
        return ExitStatus::kDone;
    }
    if (!command.yes) {
        m_context.err << "These players would be reminded (--yes reminds them):" << std::endl;
        for (const int player : waiting) {
            m_context.err << "Player " << player << ", " << game.Player(player).email << std::endl;
        }
        return ExitStatus::kHeldBack;
    }
    MailSettings mail = ReadMailSettings(*m_context.store);
    ConsoleWindow window(game, m_context.out, m_context.err, true);
    MapiLibrary library(window, m_context.mailLibraries);
    library.AllowLogonDialog(false);
    TurnDispatcher dispatcher(game, mail, window, library, m_context.services);
    dispatcher.SendReminders(waiting);
    return StatusOf(dispatcher.LastStatus());
}

std::optional<std::vector<BoardRow>> CommandRunner::Board(const GameRecord& game) {
    std::string problem;
    const std::optional<std::vector<std::string>> lines =
        m_context.services.record.ReadLines(problem);
    if (!lines) {
        m_context.err << RecordProblem(m_context.services.record, problem) << "." << std::endl;
        return std::nullopt;
    }
    const OrdersRecord record(*lines, game.name, m_context.services.names);
    return OrdersBoard(game, record, m_context.services.clock);
}

std::optional<SendHistory> CommandRunner::ReadHistory(const GameRecord& game) {
    std::string problem;
    std::optional<SendHistory> history = ReadSendHistory(m_context.services, game.name, problem);
    if (!history) {
        m_context.err << problem << "." << std::endl;
    }
    return history;
}
