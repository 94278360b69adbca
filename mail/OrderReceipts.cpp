#include "OrderReceipts.h"

#include "OrdersBoard.h"

void SendReceipts(TurnDispatcher& dispatcher, const GameRecord& game,
                  const CollectionReport& report) {
    for (const RecordLine& line : report.lines) {
        if (line.event == RecordLine::Event::Received && !line.files.empty()) {
            dispatcher.SendReceipt(line.player, ReceiptNote(game.name, line));
        }
    }
}
