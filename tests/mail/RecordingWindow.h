#pragma once

#include "DispatchWindow.h"
#include "GameRecord.h"
#include "RowRefresh.h"
#include "ScriptedMapi.h"

#include <array>

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

    void ShowMessage(const std::string& text) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void Block() override;
    void GiveBack() override;
    bool ReadControls() override;
    void RefreshRow(int number) override;
    MapiUIParam OwnerHandle() const override { return kOwner; }

private:
    void SetSendBoxEnabled(int number, bool enabled) override;
    void UncheckSendBox(int number) override;
    void SetFilesBoxEnabled(bool) override {}
    void UncheckFilesBox() override {}

    GameRecord& game_;
    const ScriptedMapi& timeline_;
};
