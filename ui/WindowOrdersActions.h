#pragma once

#include "COrdersDlg.h"
#include "DispatchWindow.h"
#include "GameRecord.h"
#include "MailLibraryChoice.h"
#include "OrdersFolder.h"
#include "ProfileStore.h"
#include "SendServices.h"
#include "TurnDispatcher.h"

// The board's actions for the game the main window shows: its record, the
// store's orders settings, and a collection with the window's progress
// window and message boxes.
class WindowOrdersActions : public OrdersBoardActions {
public:
    WindowOrdersActions(const GameRecord& game, const MailSettings& mail, ProfileStore& store,
                        SendServices services, OrdersFolder& folder,
                        MailLibraryChoice mailLibraries, DispatchWindow& window, QWidget* owner,
                        TurnDispatcher& dispatcher);

    std::vector<OrdersBoardRow> BoardRows() override;
    void CollectNow() override;
    void RemindWaiting() override;
    void EditMailbox() override;
    QString OrdersName() override;
    void SetOrdersName(const QString& pattern) override;
    bool ConfirmsReceipts() override;
    void SetConfirmsReceipts(bool confirm) override;

private:
    const GameRecord& m_game;
    const MailSettings& m_mail;
    ProfileStore& m_store;
    SendServices m_services;
    OrdersFolder& m_folder;
    MailLibraryChoice m_mailLibraries;
    DispatchWindow& m_window;
    QWidget* m_owner;
    TurnDispatcher& m_dispatcher; // the window's send path, for reminders and receipts
};
