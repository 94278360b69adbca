#pragma once

#include "FakeGameSelector.h"
#include "GameRecord.h"
#include "GameWindow.h"
#include "RowRefresh.h"

#include <array>
#include <string>
#include <vector>

// The main window's controls and data exchange, with the real row refreshes.
// `controls` holds what the fields and boxes show; the game's name is the
// selector's edit text.
class FakeGameWindow : public GameWindow, public CheckBoxStates {
public:
    FakeGameWindow(GameRecord& game, FakeGameSelector& selector);

    bool ReadControls() override;
    void WriteControls() override;
    void RefreshRow(int number) override;
    void RefreshFilesRow() override;
    void RefreshAllTurnFiles() override;
    bool IsSendBoxEnabled(int number) const override;
    bool IsFilesBoxEnabled() const override;
    bool AskYesNo(const std::string& question) override;
    void ShowMessage(const std::string& text) override;

    void SetSendBoxEnabled(int number, bool enabled) override;
    void UncheckSendBox(int number) override;
    void SetFilesBoxEnabled(bool enabled) override;
    void UncheckFilesBox() override;

    // A change handler after the user typed: read, refresh every row, write back.
    void Edited();

    GameRecord controls;
    std::array<bool, kPlayerCount> sendEnabled;
    bool filesEnabled = true;
    bool answerYes = true;
    std::vector<std::string> questions;
    std::vector<std::string> messages;

private:
    GameRecord& m_game;
    FakeGameSelector& m_selector;
};
