#include "COrdersMailboxDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <limits>

namespace {

QLineEdit* NewEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(std::numeric_limits<int>::max());
    return edit;
}

QLabel* NewNote(const QString& text, QWidget* parent) {
    auto* note = new QLabel(text, parent);
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    return note;
}

} // namespace

COrdersMailboxDlg::COrdersMailboxDlg(QWidget* parent)
    : QDialog(parent), m_mailbox(NewEdit("ordersMailbox", this)),
      m_password(NewEdit("ordersPassword", this)) {
    setWindowTitle(QStringLiteral("Mailbox"));
    m_password->setEchoMode(QLineEdit::Password);
    m_mailbox->setPlaceholderText(QStringLiteral("imaps://user@imap.example.org/INBOX"));
    m_mailbox->setMinimumWidth(m_mailbox->fontMetrics().averageCharWidth() * 44);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Orders Mailbox:"), m_mailbox);
    form->addRow(QStringLiteral("Password:"), m_password);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(NewNote(QStringLiteral("imap://, imaps:// or maildir:PATH. An empty password "
                                             "means the Email Options one."),
                              this));
    layout->addWidget(
        NewNote(QStringLiteral("* This item not stored in an encrypted manner!"), this));
    layout->addWidget(buttons);
    m_mailbox->setFocus();
}

void COrdersMailboxDlg::SetValues(const std::string& mailbox, const std::string& password) {
    m_mailbox->setText(QString::fromStdString(mailbox));
    m_mailbox->setCursorPosition(0);
    m_password->setText(QString::fromStdString(password));
}

std::string COrdersMailboxDlg::Mailbox() const {
    return m_mailbox->text().toStdString();
}

std::string COrdersMailboxDlg::Password() const {
    return m_password->text().toStdString();
}

bool RunOrdersMailbox(std::string& mailbox, std::string& password, QWidget* owner) {
    COrdersMailboxDlg dialog(owner);
    dialog.SetValues(mailbox, password);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    mailbox = dialog.Mailbox();
    password = dialog.Password();
    return true;
}
