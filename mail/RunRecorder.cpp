#include "RunRecorder.h"

RunRecorder::RunRecorder(SendServices& services, std::string game, int run)
    : m_services(services), m_game(std::move(game)), m_run(run) {}

bool RunRecorder::Planned(const std::vector<PlannedMail>& mails) {
    for (const PlannedMail& mail : mails) {
        if (!Write(RecordLine::Event::Planned, mail, SUCCESS_SUCCESS, {})) {
            return false;
        }
    }
    return true;
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
    RecordLine line{m_services.clock.Now(), m_run, event,  m_game, mail.player,
                    mail.address,           code,  reason, {}};
    for (const PlannedFile& file : mail.files) {
        line.files.push_back({file.name, file.size, file.sha256});
    }
    std::string problem;
    if (m_services.record.Append(FormatRecordLine(line), problem)) {
        return true;
    }
    if (m_problem.empty()) {
        m_problem = RecordProblem(m_services.record, problem);
    }
    return false;
}
