#pragma once

#include "OrderCollector.h"
#include "TurnDispatcher.h"

// Sends each player whose orders `report`'s collection saved a receipt
// naming the files, their sizes and SHA-256.
void SendReceipts(TurnDispatcher& dispatcher, const GameRecord& game,
                  const CollectionReport& report);
