#pragma once

#include "DispatchWindow.h"
#include "GameRecord.h"
#include "GameStore.h"
#include "GameWindow.h"
#include "MainWindowLayout.h"
#include "MapiLibrary.h"
#include "OrdersFolder.h"
#include "ProfileStore.h"
#include "RowRefresh.h"
#include "SendServices.h"
#include "TurnDispatcher.h"

#include <QDialog>

#include <memory>

class GameSelectorBox;
class InputBlocker;
class QMenu;
class SendProgressDlg;

// The main window: one game on screen, its sixteen player rows, the game's
// fields and the commands. It owns the game record and the mail options and
// moves them to and from its controls with one two-way exchange.
class CZorvelDlg : public QDialog, public GameWindow, public DispatchWindow, public CheckBoxStates {
    Q_OBJECT
public:
    // `store` keeps the games between runs; `sendServices` are the files,
    // send record, clock and run locks that "Send Files" reaches, and must
    // outlive the window; `mailLibraries` picks the Simple MAPI library each
    // send loads.
    CZorvelDlg(std::unique_ptr<ProfileStore> store, SendServices sendServices,
               MailLibraryChoice mailLibraries = MailLibraryChoice(), QWidget* parent = nullptr);
    ~CZorvelDlg() override;

    // Where "Collect orders..." saves; without one the board stays closed.
    // Must outlive the window.
    void SetOrdersFolder(OrdersFolder& folder) { m_ordersFolder = &folder; }

    // Controls into the records; false, after saying so, when the message
    // text is longer than the limit.
    bool ReadControls() override;
    // Records into the controls; texts are set only where they differ, so
    // the caret of the field being typed in stays put.
    void WriteControls() override;

    void RefreshRow(int number) override;
    void RefreshFilesRow() override;
    void RefreshAllTurnFiles() override;
    bool IsSendBoxEnabled(int number) const override;
    bool IsFilesBoxEnabled() const override;
    bool AskYesNo(const std::string& question) override;
    void ShowMessage(const std::string& text) override;
    void ShowReport(const std::string& text) override { ShowMessage(text); }

    void SetSendBoxEnabled(int number, bool enabled) override;
    void UncheckSendBox(int number) override;
    void SetFilesBoxEnabled(bool enabled) override;
    void UncheckFilesBox() override;

    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void Block() override;
    void GiveBack() override;
    MapiUIParam OwnerHandle() const override;
    bool AskSendAnyway(const std::string& warnings) override;
    bool AskSendRest(const std::string& outcome) override;
    void StartProgress(int total) override;
    bool ShowProgress(int number, const std::string& text) override;
    void EndProgress() override;

    // The context menus, built afresh each time they open: a player row's
    // address field, and the "Send Files" button.
    QMenu* AddressMenu(int number);
    QMenu* SendFilesMenu();
    SendProgressDlg& ProgressWindow() { return *m_progress; }

    GameRecord& Game() { return m_game; }
    MailSettings& Mail() { return m_mail; }
    const MainWindowControls& Controls() const { return m_controls; }
    int SentCount() const { return m_dispatcher.SentCount(); }

    // A command of the window's system menu; true when it was the About entry.
    bool OnSystemCommand(unsigned id);

public slots:
    // The "E&xit " button: the window closes only when the controls read cleanly.
    void accept() override;

protected:
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void StartUp();
    void ConnectHandlers();
    void OnEmailEdited(int number);
    void OnFilePathEdited();
    void OnDirectoryEdited();
    void OnSendBoxClicked();
    void OnBrowse();
    void ConnectMenus();
    void ShowHistory(const QString& title, std::optional<int> player);
    void ShowOrders();

    void ReadTexts();
    void WriteTexts();

    GameRecord m_game;
    MailSettings m_mail;
    MainWindowControls m_controls;
    GameSelectorBox* m_selector;
    InputBlocker* m_inputBlocker;
    std::unique_ptr<ProfileStore> m_profileStore;
    GameStore m_store;
    MailLibraryChoice m_mailLibraries;
    MapiLibrary m_mapi;
    SendServices m_sendServices;
    OrdersFolder* m_ordersFolder = nullptr;
    SendProgressDlg* m_progress;
    TurnDispatcher m_dispatcher;
};
