#include "OrderCollector.h"

#include "MailLibraryChoice.h"
#include "OrdersBoard.h"
#include "OrdersName.h"
#include "SendHistory.h"

#include <map>

namespace {

constexpr const char* kCannotRead = "This mail system cannot read mail.";
constexpr const char* kWithoutFile = "message without a file";
constexpr const char* kOwnNames = "several files, kept under their own names";
constexpr int kEnvelopesPerProgressStep = 100;

std::string Text(const char* text) {
    return text ? text : "";
}

MailEnvelope EnvelopeOf(const std::string& id, const MapiMessage& message) {
    const std::string from = message.lpOriginator ? Text(message.lpOriginator->lpszAddress) : "";
    return {id, from, Text(message.lpszSubject), Text(message.lpszDateReceived)};
}

// A name that survives SafeFileName, for an attachment whose own does not.
std::string StandInName(const GameRecord& game, int player, std::size_t index) {
    return game.name + ".orders" + std::to_string(player) + "-" + std::to_string(index + 1);
}

} // namespace

OrderCollector::OrderCollector(MapiLibrary& library, SendServices& services, OrdersFolder& folder,
                               SendProgress& progress, MapiUIParam owner)
    : m_library(library), m_services(services), m_folder(folder), m_progress(progress),
      m_owner(owner) {}

CollectionReport OrderCollector::Collect(const GameRecord& game, const OrdersSettings& settings,
                                         const std::string& mailPassword) {
    CollectionReport report;
    std::string problem;
    // A send of the game and another collection write the same record.
    const std::unique_ptr<RunLock> lock =
        m_services.locks.Acquire(m_services.names.Fold(game.name), problem);
    if (!lock) {
        report.outcome =
            problem.empty() ? CollectionReport::Outcome::Locked : CollectionReport::Outcome::Failed;
        report.problem = problem.empty() ? "Another run is using " + game.name +
                                               " now. Try again when it has finished."
                                         : problem;
        return report;
    }
    const std::optional<std::vector<std::string>> lines = m_services.record.ReadLines(problem);
    if (!lines) {
        report.outcome = CollectionReport::Outcome::Failed;
        report.problem = RecordProblem(m_services.record, problem) + ".";
        return report;
    }
    const OrdersRecord record(*lines, game.name, m_services.names);
    if (!Open(settings, mailPassword, report)) {
        return report;
    }
    std::vector<MailEnvelope> envelopes;
    const bool readAll = ReadEnvelopes(record.LastScanned(), envelopes, report);
    if (report.outcome == CollectionReport::Outcome::Cancelled) {
        m_library.Logoff(m_owner);
        return report;
    }

    // The newest match of each player wins; mailbox order is arrival order.
    const OrderMatch match(game, record.TurnsSent(), m_services.names);
    std::map<int, std::vector<Candidate>> byPlayer;
    for (const MailEnvelope& envelope : envelopes) {
        const std::optional<int> player = match.Player(envelope);
        if (player && !record.Took(envelope.id)) {
            byPlayer[*player].push_back({envelope, *player});
        }
    }
    m_progress.StartProgress(static_cast<int>(byPlayer.size()));
    int step = 0;
    for (const auto& [player, candidates] : byPlayer) {
        if (!m_progress.ShowProgress(++step, "Player " + std::to_string(player) + ", " +
                                                 candidates.back().envelope.from)) {
            report.outcome = CollectionReport::Outcome::Cancelled;
            break;
        }
        for (std::size_t at = 0; at + 1 < candidates.size(); ++at) {
            report.lines.push_back(Line(game, candidates[at], kReplacedByLater));
        }
        report.lines.push_back(Take(game, settings, candidates.back(), report));
    }
    m_progress.EndProgress();
    m_library.Logoff(m_owner);

    if (!readAll) {
        report.outcome = CollectionReport::Outcome::Failed;
        report.problem = "The mailbox could not be read to its end (" +
                         std::to_string(m_library.LastResult()) +
                         "). What was read is saved; the next collection reads the rest.";
    }
    // Only a whole pass may move the starting point past what it examined.
    if (readAll && report.outcome == CollectionReport::Outcome::Done && !envelopes.empty() &&
        envelopes.back().id != record.LastScanned()) {
        RecordLine scanned = Line(game, {envelopes.back(), RecordLine::kTestMessage}, "");
        scanned.event = RecordLine::Event::Scanned;
        scanned.address.clear();
        report.lines.push_back(scanned);
    }
    std::vector<std::string> formatted;
    for (const RecordLine& line : report.lines) {
        formatted.push_back(FormatRecordLine(line));
    }
    if (!formatted.empty() && !m_services.record.Append(formatted, problem)) {
        report.outcome = CollectionReport::Outcome::Failed;
        report.problem = RecordProblem(m_services.record, problem) +
                         ". The files are saved, but the next collection takes them again.";
    }
    return report;
}

bool OrderCollector::Open(const OrdersSettings& settings, const std::string& mailPassword,
                          CollectionReport& report) {
    report.outcome = CollectionReport::Outcome::Failed;
    if (!m_library.Bind(settings.mailbox)) {
        return false;
    }
    if (!m_library.CanRead()) {
        report.problem = kCannotRead;
        return false;
    }
    const std::string& password = settings.password.empty() ? mailPassword : settings.password;
    if (!m_library.Logon(m_owner, settings.mailbox, password)) {
        return false;
    }
    report.outcome = CollectionReport::Outcome::Done;
    return true;
}

bool OrderCollector::ReadEnvelopes(const std::string& seed, std::vector<MailEnvelope>& envelopes,
                                   CollectionReport& report) {
    m_progress.StartProgress(0);
    std::string after = seed;
    for (std::optional<std::string> id; (id = m_library.FindNext(m_owner, after)); after = *id) {
        if (envelopes.size() % kEnvelopesPerProgressStep == 0 &&
            !m_progress.ShowProgress(0, "Reading the mailbox")) {
            m_progress.EndProgress();
            report.outcome = CollectionReport::Outcome::Cancelled;
            return false;
        }
        MapiMessage* message = m_library.ReadMail(m_owner, *id, true);
        if (message != nullptr) {
            envelopes.push_back(EnvelopeOf(*id, *message));
            m_library.FreeBuffer(message);
        }
    }
    m_progress.EndProgress();
    return m_library.LastResult() == MAPI_E_NO_MESSAGES;
}

RecordLine OrderCollector::Take(const GameRecord& game, const OrdersSettings& settings,
                                const Candidate& candidate, CollectionReport& report) {
    MapiMessage* message = m_library.ReadMail(m_owner, candidate.envelope.id, false);
    if (message == nullptr) {
        return Line(game, candidate,
                    "file refused: the message cannot be read (" +
                        std::to_string(m_library.LastResult()) + ")");
    }
    RecordLine line = Line(game, candidate, "");
    if (message->nFileCount == 0) {
        line.reason = kWithoutFile;
        // Only a mail program's own library holds attachments back.
        report.filesWithheld = report.filesWithheld || !NamesMailbox(settings.mailbox);
    } else {
        SaveFiles(game, settings, candidate.player, *message, line);
    }
    m_library.FreeBuffer(message);
    return line;
}

void OrderCollector::SaveFiles(const GameRecord& game, const OrdersSettings& settings, int player,
                               const MapiMessage& message, RecordLine& line) {
    const bool patterned = !settings.ordersName.empty() && message.nFileCount == 1;
    std::vector<std::string> refusals;
    for (std::size_t at = 0; at < message.nFileCount; ++at) {
        const MapiFileDesc& file = message.lpFiles[at];
        const std::string wanted = patterned ? OrdersName(settings.ordersName, game.name, player)
                                             : Text(file.lpszFileName);
        std::string name = SafeFileName(wanted, m_folder.Rules());
        if (name.empty()) {
            name = SafeFileName(StandInName(game, player, at), m_folder.Rules());
        }
        const std::string source = Text(file.lpszPathName);
        const SavedOrders saved = m_folder.Save(source, game.directory, name);
        m_folder.Discard(source);
        if (saved.saved) {
            line.files.push_back({saved.name, saved.size, saved.sha256});
        } else {
            refusals.push_back(name + ": " + saved.refusal);
        }
    }
    std::string reason = !settings.ordersName.empty() && message.nFileCount > 1 ? kOwnNames : "";
    for (const std::string& refusal : refusals) {
        reason += (reason.empty() ? "file refused: " : "; file refused: ") + refusal;
    }
    line.reason = reason;
}

RecordLine OrderCollector::Line(const GameRecord& game, const Candidate& candidate,
                                std::string reason) const {
    RecordLine line;
    line.time = m_services.clock.Now();
    line.event = RecordLine::Event::Received;
    line.game = game.name;
    line.player = candidate.player;
    line.address = candidate.envelope.from;
    line.reason = std::move(reason);
    line.messageId = candidate.envelope.id;
    return line;
}
