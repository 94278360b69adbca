#include "OrdersSettings.h"

#include "StoreTransaction.h"
#include "StoredGames.h"

OrdersSettings ReadOrdersSettings(ProfileStore& store, const std::string& game) {
    StoreReading reading(store);
    OrdersSettings settings;
    settings.mailbox = store.ReadStoreText(StoreNames::kSettings, "Orders Mailbox", "");
    settings.password = store.ReadStoreText(StoreNames::kSettings, "Orders Password", "");
    settings.ordersName = store.ReadStoreText(game, "Orders Name", "");
    settings.confirmReceipts = store.ReadStoreInt(game, "Confirm Receipts", 0) != 0;
    return settings;
}

void WriteOrdersMailbox(ProfileStore& store, const OrdersSettings& settings) {
    StoreTransaction transaction(store);
    store.WriteStoreText(StoreNames::kSettings, "Orders Mailbox", settings.mailbox);
    store.WriteStoreText(StoreNames::kSettings, "Orders Password", settings.password);
}

void WriteGameOrdersSettings(ProfileStore& store, const std::string& game,
                             const OrdersSettings& settings) {
    StoreTransaction transaction(store);
    store.WriteStoreText(game, "Orders Name", settings.ordersName);
    store.WriteStoreInt(game, "Confirm Receipts", settings.confirmReceipts ? 1 : 0);
}
