#include "RecordingWindow.h"

#include <string>

RecordingWindow::RecordingWindow(GameRecord& game, const ScriptedMapi& timeline)
    : game_(game), timeline_(timeline) {
    sendBoxEnabled.fill(true);
    sendBoxChecked.fill(true);
}

void RecordingWindow::ShowMessage(const std::string& text) {
    timeline_.Note("Message: " + text);
}

void RecordingWindow::BeginWaitCursor() {
    timeline_.Note("BeginWaitCursor");
}

void RecordingWindow::EndWaitCursor() {
    timeline_.Note("EndWaitCursor");
}

void RecordingWindow::Block() {
    timeline_.Note("Block");
}

void RecordingWindow::GiveBack() {
    timeline_.Note("GiveBack");
}

bool RecordingWindow::ReadControls() {
    timeline_.Note("ReadControls");
    game_ = controls;
    if (!controlsAccepted) {
        ShowMessage("Please enter no more than 220 characters.");
    }
    return controlsAccepted;
}

void RecordingWindow::RefreshRow(int number) {
    timeline_.Note("RefreshRow " + std::to_string(number));
    ::RefreshRow(game_, *this, number);
}

void RecordingWindow::SetSendBoxEnabled(int number, bool enabled) {
    sendBoxEnabled.at(static_cast<std::size_t>(number - 1)) = enabled;
}

void RecordingWindow::UncheckSendBox(int number) {
    sendBoxChecked.at(static_cast<std::size_t>(number - 1)) = false;
}

bool RecordingWindow::AskSendAnyway(const std::string& warnings) {
    timeline_.Note("Ask: " + warnings);
    return sendAnyway;
}

bool RecordingWindow::AskSendRest(const std::string& outcome) {
    timeline_.Note("Ask: " + outcome);
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
