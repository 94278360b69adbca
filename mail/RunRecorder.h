#pragma once

#include "SendChecks.h"
#include "SendServices.h"

#include <string>
#include <vector>

// Writes one run's lines into the send record: every message it plans before
// the first goes, a handover before each message goes to the mail library,
// and an outcome for every planned one.
class RunRecorder {
public:
    RunRecorder(SendServices& services, std::string game, int run,
                RecordLine::Purpose purpose = RecordLine::Purpose::Turn);

    // False, with problem() saying why, when the lines could not be written;
    // then nothing may be handed over, as a later run would not know whom
    // this one left out.
    bool Planned(const std::vector<PlannedMail>& mails);
    // False, with problem() saying why, when the line could not be written;
    // a message must not be handed over unrecorded.
    bool Handover(const PlannedMail& mail);
    void Sent(const PlannedMail& mail);
    void Refused(const PlannedMail& mail, MapiULong code, const std::string& text);
    void NotSent(const PlannedMail& mail, const std::string& why);

    const std::string& Problem() const { return m_problem; }

private:
    bool Write(RecordLine::Event event, const PlannedMail& mail, MapiULong code,
               const std::string& reason);
    std::string Line(RecordLine::Event event, const PlannedMail& mail, MapiULong code,
                     const std::string& reason) const;
    // False, with problem() set, when the lines could not be written.
    bool Append(const std::vector<std::string>& lines);

    SendServices& m_services;
    std::string m_game;
    int m_run;
    RecordLine::Purpose m_purpose;
    std::string m_problem;
};
