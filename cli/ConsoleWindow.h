#pragma once

#include "DispatchWindow.h"
#include "GameRecord.h"
#include "RowRefresh.h"

#include <ostream>

// A run with no one at the screen: each message is announced on `out` as it
// goes, failures go to `err`, warnings hold the run back unless `sendPastWarnings`,
// and nothing is ever asked.
class ConsoleWindow final : public DispatchWindow, private CheckBoxStates {
public:
    ConsoleWindow(GameRecord& game, std::ostream& out, std::ostream& err, bool sendPastWarnings);

    void ShowMessage(const std::string& text) override;
    void ShowReport(const std::string& text) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void Block() override {}
    void GiveBack() override {}
    // The records were read from the store; there are no controls.
    bool ReadControls() override { return true; }
    void RefreshRow(int number) override;
    MapiUIParam OwnerHandle() const override { return 0; }
    bool AskSendAnyway(const std::string& warnings) override;
    bool AskSendRest(const std::string& outcome) override;
    void StartProgress(int) override {}
    bool ShowProgress(int number, const std::string& text) override;
    void EndProgress() override {}

private:
    void SetSendBoxEnabled(int, bool) override {}
    void UncheckSendBox(int) override {}
    void SetFilesBoxEnabled(bool) override {}
    void UncheckFilesBox() override {}

    GameRecord& m_game;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_sendPastWarnings;
};
