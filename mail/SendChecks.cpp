#include "SendChecks.h"

#include "SizeText.h"
#include "TurnFile.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace {

using Kind = CheckFinding::Kind;

std::string PlayerLabel(int number) {
    return "Player " + std::to_string(number);
}

// "Player 3: ", "Further file: "; nothing before a sentence about the record.
std::string SubjectLabel(const CheckFinding& finding) {
    switch (finding.subject) {
    case CheckFinding::Subject::Player:
        return PlayerLabel(finding.player) + ": ";
    case CheckFinding::Subject::FurtherFile:
        return "Further file: ";
    case CheckFinding::Subject::SendRecord:
        break;
    }
    return {};
}

// Nullopt when the file may go out; else what is wrong with it.
std::optional<Kind> FileProblem(const FileFacts& facts) {
    switch (facts.state) {
    case FileFacts::State::Missing:
        return Kind::Missing;
    case FileFacts::State::NotRegular:
        return Kind::NotAFile;
    case FileFacts::State::Unreadable:
        return Kind::Unreadable;
    case FileFacts::State::Present:
        break;
    }
    return facts.size == 0 ? std::optional<Kind>(Kind::Empty) : std::nullopt;
}

CheckFinding About(CheckFinding::Subject subject, int player = 0) {
    CheckFinding finding;
    finding.subject = subject;
    finding.player = player;
    return finding;
}

class Planner {
public:
    Planner(TurnFileProbe& files, const SendHistory* history, const SendClock& clock)
        : m_files(files), m_history(history), m_clock(clock) {}

    SendPlan plan;

    // `about` names whose file it is; the problem found is added to it.
    void Inspect(CheckFinding about, PlannedFile& file) {
        const FileFacts facts = m_files.Inspect(file.path);
        if (const std::optional<Kind> problem = FileProblem(facts)) {
            about.kind = *problem;
            about.file = file.path;
            plan.problems.push_back(std::move(about));
        }
        file.size = facts.size;
        m_modified[file.path] = facts.modified;
    }

    // Each distinct file is read once, however many messages carry it.
    void Hash(CheckFinding about, PlannedFile& file) {
        auto known = m_hashes.find(file.path);
        if (known == m_hashes.end()) {
            known = m_hashes.emplace(file.path, m_files.Sha256(file.path)).first;
        }
        if (!known->second) {
            about.kind = Kind::Unreadable;
            about.file = file.path;
            plan.problems.push_back(std::move(about));
            return;
        }
        file.sha256 = *known->second;
    }

    void CompareWithLastSent(const PlannedMail& mail) {
        const std::optional<HistoryEntry> last =
            m_history ? m_history->LastSent(mail.player) : std::nullopt;
        if (!last || last->files.empty()) {
            return;
        }
        const PlannedFile& turn = mail.files.front();
        CheckFinding warning = About(CheckFinding::Subject::Player, mail.player);
        warning.file = turn.name;
        warning.detail = m_clock.Shown(last->time);
        if (last->files.front().sha256 == turn.sha256) {
            warning.kind = Kind::SameAsSent;
        } else if (m_modified[turn.path] < last->time) {
            warning.kind = Kind::OlderThanSent;
        } else {
            return;
        }
        plan.warnings.push_back(std::move(warning));
    }

private:
    TurnFileProbe& m_files;
    const SendHistory* m_history;
    const SendClock& m_clock;
    std::map<std::string, std::optional<std::string>> m_hashes;
    std::map<std::string, std::int64_t> m_modified;
};

} // namespace

std::string FindingText(const CheckFinding& finding) {
    const std::string file = SubjectLabel(finding) + finding.file;
    switch (finding.kind) {
    case Kind::Missing:
        return file + " not found";
    case Kind::NotAFile:
        return file + " is not a file";
    case Kind::Unreadable:
        return file + " cannot be read";
    case Kind::Empty:
        return file + " is empty";
    case Kind::SameAsSent:
        return file + " is the same file as sent on " + finding.detail + ": last turn's?";
    case Kind::OlderThanSent:
        return file + " is older than the turn sent on " + finding.detail + ".";
    case Kind::RecordUnreadable:
        break;
    }
    return finding.detail + ", so the turn files were not compared with those sent before.";
}

std::vector<int> SelectedPlayers(const GameRecord& game, const std::vector<int>& requested) {
    std::vector<int> players;
    for (int number = 1; number <= kPlayerCount; ++number) {
        const PlayerSlot& slot = game.Player(number);
        const bool wanted = requested.empty() ? slot.send != 0
                                              : std::find(requested.begin(), requested.end(),
                                                          number) != requested.end();
        if (wanted && !slot.email.empty()) {
            players.push_back(number);
        }
    }
    return players;
}

SendPlan PlanSend(const GameRecord& game, const std::vector<int>& players, TurnFileProbe& files,
                  const SendHistory* history, const SendClock& clock) {
    Planner planner(files, history, clock);
    SendPlan& plan = planner.plan;
    for (const int number : players) {
        PlannedMail mail{number, game.Player(number).email, {}};
        mail.files.push_back({TurnFileLocation(game, number), TurnFileName(game, number), 0, {}});
        planner.Inspect(About(CheckFinding::Subject::Player, number), mail.files.back());
        plan.mails.push_back(std::move(mail));
    }
    std::optional<PlannedFile> further;
    if (game.addFile != 0 && !players.empty()) {
        further = PlannedFile{game.filePath, AttachmentName(game.filePath), 0, {}};
        planner.Inspect(About(CheckFinding::Subject::FurtherFile), *further);
    }
    if (!plan.problems.empty()) {
        return plan;
    }
    if (further) {
        planner.Hash(About(CheckFinding::Subject::FurtherFile), *further);
    }
    for (PlannedMail& mail : plan.mails) {
        planner.Hash(About(CheckFinding::Subject::Player, mail.player), mail.files.front());
        if (further) {
            mail.files.push_back(*further);
        }
        planner.CompareWithLastSent(mail);
    }
    return plan;
}

std::string ProgressText(const PlannedMail& mail, int number, int total) {
    std::string files;
    for (const PlannedFile& file : mail.files) {
        files += (files.empty() ? "" : "; ") + file.name + ", " + SizeText(file.size);
    }
    return "Sending " + std::to_string(number) + " of " + std::to_string(total) + ": " +
           PlayerLabel(mail.player) + ", " + mail.address + " (" + files + ")";
}

std::string PlanLine(const PlannedMail& mail) {
    std::string files;
    for (const PlannedFile& file : mail.files) {
        files += (files.empty() ? "" : ", ") + file.name + " (" + SizeText(file.size) + ")";
    }
    return PlayerLabel(mail.player) + ", " + mail.address + ": " + files;
}
