#pragma once

#include "GameRecord.h"

// The check boxes whose states the row refreshes change directly.
class CheckBoxStates {
public:
    virtual ~CheckBoxStates() = default;
    virtual void SetSendBoxEnabled(int number, bool enabled) = 0;
    virtual void UncheckSendBox(int number) = 0;
    virtual void SetFilesBoxEnabled(bool enabled) = 0;
    virtual void UncheckFilesBox() = 0;
};

// Keeps row `number` consistent: a row without an address is deselected and
// its box disabled; the turn file is derived anew either way.
void RefreshRow(GameRecord& game, CheckBoxStates& boxes, int number);

// An empty further-file path clears and disables the Files box.
void RefreshFilesRow(GameRecord& game, CheckBoxStates& boxes);

// Derives every turn file, but only while both directory and name are set.
void RefreshAllTurnFiles(GameRecord& game);
