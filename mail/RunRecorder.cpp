#include "RunRecorder.h"

RunRecorder::RunRecorder(SendServices& services, std::string game, int run,
                         RecordLine::Purpose purpose)
    : m_services(services), m_game(std::move(game)), m_run(run), m_purpose(purpose) {}

bool RunRecorder::Planned(const std::vector<PlannedMail>& mails) {
    std::vector<std::string> lines;
    for (const PlannedMail& mail : mails) {
        lines.push_back(Line(RecordLine::Event::Planned, mail, SUCCESS_SUCCESS, {}));
    }
    // The whole plan in one write: one sync, not one a player.
    return Append(lines);
}

bool RunRecorder::Handover(const PlannedMail& mail) {
    return Write(RecordLine::Event::Handover, mail, SUCCESS_SUCCESS, {});
}

void RunRecorder::Sent(const PlannedMail& mail) {
    Write(RecordLine::Event::Sent, mail, SUCCESS_SUCCESS, {});
}

void RunRecorder::Refused(const PlannedMail& mail, MapiULong code, const std::string& text) {
    Write(RecordLine::Event::Refused, mail, code, text);
}

void RunRecorder::NotSent(const PlannedMail& mail, const std::string& why) {
    Write(RecordLine::Event::NotSent, mail, SUCCESS_SUCCESS, why);
}

bool RunRecorder::Write(RecordLine::Event event, const PlannedMail& mail, MapiULong code,
                        const std::string& reason) {
    return Append({Line(event, mail, code, reason)});
}

std::string RunRecorder::Line(RecordLine::Event event, const PlannedMail& mail, MapiULong code,
                              const std::string& reason) const {
    RecordLine line{m_services.clock.Now(), m_run, event,  m_game, mail.player,
                    mail.address,           code,  reason, {}};
    line.purpose = m_purpose;
    for (const PlannedFile& file : mail.files) {
        line.files.push_back({file.name, file.size, file.sha256});
    }
    return FormatRecordLine(line);
}

bool RunRecorder::Append(const std::vector<std::string>& lines) {
    std::string problem;
    if (m_services.record.Append(lines, problem)) {
        return true;
    }
    if (m_problem.empty()) {
        m_problem = RecordProblem(m_services.record, problem);
    }
    return false;
}
