#include "SendChecks.h"

#include "SizeText.h"
#include "TurnFile.h"

#include <algorithm>
#include <map>

namespace {

std::string PlayerLabel(int number) {
    return "Player " + std::to_string(number);
}

// Empty when the file may go out; else what is wrong with it.
std::string FileProblem(const std::string& path, const FileFacts& facts) {
    switch (facts.state) {
    case FileFacts::State::Missing:
        return path + " not found";
    case FileFacts::State::NotRegular:
        return path + " is not a file";
    case FileFacts::State::Unreadable:
        return path + " cannot be read";
    case FileFacts::State::Present:
        break;
    }
    return facts.size == 0 ? path + " is empty" : std::string();
}

class Planner {
public:
    Planner(TurnFileProbe& files, const SendHistory* history, const SendClock& clock)
        : m_files(files), m_history(history), m_clock(clock) {}

    SendPlan plan;

    void Inspect(const std::string& label, PlannedFile& file) {
        const FileFacts facts = m_files.Inspect(file.path);
        const std::string problem = FileProblem(file.path, facts);
        if (!problem.empty()) {
            plan.problems.push_back(label + ": " + problem);
        }
        file.size = facts.size;
        m_modified[file.path] = facts.modified;
    }

    // Each distinct file is read once, however many messages carry it.
    void Hash(const std::string& label, PlannedFile& file) {
        auto known = m_hashes.find(file.path);
        if (known == m_hashes.end()) {
            known = m_hashes.emplace(file.path, m_files.Sha256(file.path)).first;
        }
        if (!known->second) {
            plan.problems.push_back(label + ": " + file.path + " cannot be read");
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
        const std::string when = m_clock.Shown(last->time);
        const std::string label = PlayerLabel(mail.player) + ": " + turn.name;
        if (last->files.front().sha256 == turn.sha256) {
            plan.warnings.push_back(label + " is the same file as sent on " + when +
                                    ": last turn's?");
        } else if (m_modified[turn.path] < last->time) {
            plan.warnings.push_back(label + " is older than the turn sent on " + when + ".");
        }
    }

private:
    TurnFileProbe& m_files;
    const SendHistory* m_history;
    const SendClock& m_clock;
    std::map<std::string, std::optional<std::string>> m_hashes;
    std::map<std::string, std::int64_t> m_modified;
};

} // namespace

std::vector<int> SelectedPlayers(const GameRecord& game, const std::vector<int>& requested) {
    std::vector<int> players;
    for (int number = 1; number <= kPlayerCount; ++number) {
        const PlayerSlot& slot = game.player(number);
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
        PlannedMail mail{number, game.player(number).email, {}};
        mail.files.push_back({TurnFileLocation(game, number), TurnFileName(game, number), 0, {}});
        planner.Inspect(PlayerLabel(number), mail.files.back());
        plan.mails.push_back(std::move(mail));
    }
    std::optional<PlannedFile> further;
    if (game.addFile != 0 && !players.empty()) {
        further = PlannedFile{game.filePath, AttachmentName(game.filePath), 0, {}};
        planner.Inspect("Further file", *further);
    }
    if (!plan.problems.empty()) {
        return plan;
    }
    if (further) {
        planner.Hash("Further file", *further);
    }
    for (PlannedMail& mail : plan.mails) {
        planner.Hash(PlayerLabel(mail.player), mail.files.front());
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
