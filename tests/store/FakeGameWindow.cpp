#include "FakeGameWindow.h"

FakeGameWindow::FakeGameWindow(GameRecord& game, FakeGameSelector& selector)
    : m_game(game), m_selector(selector) {
    sendEnabled.fill(true);
}

bool FakeGameWindow::ReadControls() {
    for (int number = 1; number <= kPlayerCount; ++number) {
        m_game.Player(number) = controls.Player(number);
    }
    m_game.directory = controls.directory;
    m_game.notes = controls.notes;
    if (m_game.notes.size() > static_cast<std::size_t>(kNotesLimit)) {
        messages.push_back("Please enter no more than 220 characters.");
        return false;
    }
    m_game.addFile = controls.addFile;
    m_game.filePath = controls.filePath;
    m_game.name = m_selector.editText;
    return true;
}

void FakeGameWindow::WriteControls() {
    controls = m_game;
    const int found = m_selector.FindPrefix(m_game.name);
    if (found >= 0) {
        m_selector.Select(found);
    } else {
        m_selector.editText = m_game.name;
    }
}

void FakeGameWindow::RefreshRow(int number) {
    ::RefreshRow(m_game, *this, number);
}
void FakeGameWindow::RefreshFilesRow() {
    ::RefreshFilesRow(m_game, *this);
}
void FakeGameWindow::RefreshAllTurnFiles() {
    ::RefreshAllTurnFiles(m_game);
}

bool FakeGameWindow::IsSendBoxEnabled(int number) const {
    return sendEnabled.at(static_cast<std::size_t>(number - 1));
}

bool FakeGameWindow::IsFilesBoxEnabled() const {
    return filesEnabled;
}

bool FakeGameWindow::AskYesNo(const std::string& question) {
    questions.push_back(question);
    return answerYes;
}

void FakeGameWindow::ShowMessage(const std::string& text) {
    messages.push_back(text);
}

void FakeGameWindow::SetSendBoxEnabled(int number, bool enabled) {
    sendEnabled.at(static_cast<std::size_t>(number - 1)) = enabled;
}

void FakeGameWindow::UncheckSendBox(int number) {
    controls.Player(number).send = 0;
}
void FakeGameWindow::SetFilesBoxEnabled(bool enabled) {
    filesEnabled = enabled;
}
void FakeGameWindow::UncheckFilesBox() {
    controls.addFile = 0;
}

void FakeGameWindow::Edited() {
    ReadControls();
    RefreshFilesRow();
    for (int number = 1; number <= kPlayerCount; ++number) {
        RefreshRow(number);
    }
    RefreshAllTurnFiles();
    WriteControls();
}
