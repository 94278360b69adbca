#include "RecordingWindow.h"

#include <string>

RecordingWindow::RecordingWindow(GameRecord& game, const ScriptedMapi& timeline)
    : m_game(game), m_timeline(timeline) {
    sendBoxEnabled.fill(true);
    sendBoxChecked.fill(true);
}

void RecordingWindow::ShowMessage(const std::string& text) {
    m_timeline.Note("Message: " + text);
}

void RecordingWindow::BeginWaitCursor() {
    m_timeline.Note("BeginWaitCursor");
}

void RecordingWindow::EndWaitCursor() {
    m_timeline.Note("EndWaitCursor");
}

void RecordingWindow::Block() {
    m_timeline.Note("Block");
}

void RecordingWindow::GiveBack() {
    m_timeline.Note("GiveBack");
}

bool RecordingWindow::ReadControls() {
    m_timeline.Note("ReadControls");
    m_game = controls;
    if (!controlsAccepted) {
        ShowMessage("Please enter no more than 220 characters.");
    }
    return controlsAccepted;
}

void RecordingWindow::RefreshRow(int number) {
    m_timeline.Note("RefreshRow " + std::to_string(number));
    ::RefreshRow(m_game, *this, number);
}

void RecordingWindow::SetSendBoxEnabled(int number, bool enabled) {
    sendBoxEnabled.at(static_cast<std::size_t>(number - 1)) = enabled;
}

void RecordingWindow::UncheckSendBox(int number) {
    sendBoxChecked.at(static_cast<std::size_t>(number - 1)) = false;
}

bool RecordingWindow::AskSendAnyway(const std::string& warnings) {
    m_timeline.Note("Ask: " + warnings);
    return sendAnyway;
}

bool RecordingWindow::AskSendRest(const std::string& outcome) {
    m_timeline.Note("Ask: " + outcome);
    return sendRest;
}

// Progress stays out of the timeline: it comes between the mail calls of
// every run, and the tests that look at it read `progress`.
void RecordingWindow::StartProgress(int total) {
    progress.push_back("of " + std::to_string(total));
}

bool RecordingWindow::ShowProgress(int number, const std::string& text) {
    progress.push_back(text);
    if (number != cancelAt) {
        return true;
    }
    cancelAt = 0; // once: the next run goes through
    return false;
}

void RecordingWindow::EndProgress() {
    progress.push_back("end");
}
