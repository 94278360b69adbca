#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

// Where the players' orders are read from: a mailbox profile and its password
// (empty: the Email Options password). The values change only on OK.
class COrdersMailboxDlg : public QDialog {
    Q_OBJECT

public:
    explicit COrdersMailboxDlg(QWidget* parent = nullptr);

    void SetValues(const std::string& mailbox, const std::string& password);
    std::string Mailbox() const;
    std::string Password() const;

private:
    QLineEdit* m_mailbox = nullptr;
    QLineEdit* m_password = nullptr;
};

// Lets the user edit the two values in a modal dialog owned by owner. True,
// with both replaced, when he pressed OK; false, with both untouched, else.
bool RunOrdersMailbox(std::string& mailbox, std::string& password, QWidget* owner);
