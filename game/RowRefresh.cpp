#include "RowRefresh.h"

#include "TurnFile.h"

void RefreshRow(GameRecord& game, CheckBoxStates& boxes, int number) {
    PlayerSlot& slot = game.Player(number);
    if (!slot.email.empty()) {
        boxes.SetSendBoxEnabled(number, true);
    } else {
        boxes.UncheckSendBox(number);
        boxes.SetSendBoxEnabled(number, false);
        slot.send = 0;
    }
    slot.turnFile = TurnFilePath(game, number);
}

void RefreshFilesRow(GameRecord& game, CheckBoxStates& boxes) {
    if (!game.filePath.empty()) {
        boxes.SetFilesBoxEnabled(true);
        return;
    }
    boxes.UncheckFilesBox();
    boxes.SetFilesBoxEnabled(false);
    game.addFile = 0;
}

void RefreshAllTurnFiles(GameRecord& game) {
    if (game.directory.empty() || game.name.empty()) {
        return;
    }
    for (int number = 1; number <= kPlayerCount; ++number) {
        game.Player(number).turnFile = TurnFilePath(game, number);
    }
}
