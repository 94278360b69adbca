#pragma once

#include "DispatchWindow.h"
#include "GameRecord.h"
#include "RowRefresh.h"
#include "ScriptedMapi.h"

#include <array>
#include <string>
#include <vector>

// A main window that notes each thing asked of it into the scripted mail
// library's timeline, so window and mail calls can be checked in one order.
class RecordingWindow : public DispatchWindow, private CheckBoxStates {
public:
    static constexpr MapiUIParam kOwner = 0x0DD1A106;

    RecordingWindow(GameRecord& game, const ScriptedMapi& timeline);

    // What the controls hold; ReadControls takes it into the game record.
    GameRecord controls;
    // False: ReadControls refuses the message text as too long, as the real one does.
    bool controlsAccepted = true;
    std::array<bool, kPlayerCount> sendBoxEnabled;
    std::array<bool, kPlayerCount> sendBoxChecked;
    // The progress texts shown, in order; Cancel is pressed when message
    // `cancelAt` (counted from 1) is about to go, once.
    std::vector<std::string> progress;
    int cancelAt = 0;
    // The host's answers to "Send anyway" and "Send to those not sent".
    bool sendAnyway = false;
    bool sendRest = false;

    void ShowMessage(const std::string& text) override;
    void ShowReport(const std::string& text) override { ShowMessage(text); }
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void Block() override;
    void GiveBack() override;
    bool ReadControls() override;
    void RefreshRow(int number) override;
    MapiUIParam OwnerHandle() const override { return kOwner; }
    bool AskSendAnyway(const std::string& warnings) override;
    bool AskSendRest(const std::string& outcome) override;
    void StartProgress(int total) override;
    bool ShowProgress(int number, const std::string& text) override;
    void EndProgress() override;

private:
    void SetSendBoxEnabled(int number, bool enabled) override;
    void UncheckSendBox(int number) override;
    void SetFilesBoxEnabled(bool) override {}
    void UncheckFilesBox() override {}

    GameRecord& m_game;
    const ScriptedMapi& m_timeline;
};
