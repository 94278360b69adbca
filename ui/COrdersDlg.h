#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <vector>

class QPushButton;
class QTableWidget;

// One player's row on the board, as shown: number, address, when his turn
// went out, and his orders (or what stands in their place).
struct OrdersBoardRow {
    int player = 0;
    QString address;
    QString turnSent;
    QString orders;
};

// What the board asks of its owner; each call does its whole job, with its
// own progress window and message boxes, and returns when it is done.
class OrdersBoardActions {
public:
    virtual ~OrdersBoardActions() = default;
    virtual std::vector<OrdersBoardRow> BoardRows() = 0;
    virtual void CollectNow() = 0;
    // Asks first, naming the players.
    virtual void RemindWaiting() = 0;
    virtual void EditMailbox() = 0;
    // The game's "Orders Name" pattern.
    virtual QString OrdersName() = 0;
    // The game's "Confirm Receipts" flag.
    virtual bool ConfirmsReceipts() = 0;
    virtual void SetConfirmsReceipts(bool confirm) = 0;
    virtual void SetOrdersName(const QString& pattern) = 0;
};

// "Orders for <game>": who is in, the buttons that collect, remind those
// waiting and set the mailbox, and the name saved orders get. The rows are read again after
// every action.
class COrdersDlg : public QDialog {
    Q_OBJECT

public:
    COrdersDlg(const QString& game, OrdersBoardActions& actions, QWidget* parent);

private:
    // A button that runs `action`, then shows the rows again.
    QPushButton* AddButton(const QString& text, std::function<void()> action);
    void ShowRows();

    OrdersBoardActions& m_actions;
    QTableWidget* m_table = nullptr;
};
