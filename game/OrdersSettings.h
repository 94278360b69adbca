#pragma once

#include "ProfileStore.h"

#include <string>

// Where a game's orders come from and how they are saved: the mailbox and
// its password are the user's, the rest the game's. New value names beside
// the old ones, which older programs pass over.
struct OrdersSettings {
    std::string mailbox;          // "Orders Mailbox": imap://, imaps:// or maildir:PATH
    std::string password;         // "Orders Password": empty means the Email Options one
    std::string ordersName;       // "Orders Name": {game} and {n}; empty keeps the attachment's
    bool confirmReceipts = false; // "Confirm Receipts"
};

OrdersSettings ReadOrdersSettings(ProfileStore& store, const std::string& game);
void WriteOrdersMailbox(ProfileStore& store, const OrdersSettings& settings);
void WriteGameOrdersSettings(ProfileStore& store, const std::string& game,
                             const OrdersSettings& settings);
