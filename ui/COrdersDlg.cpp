#include "COrdersDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Player, Address, TurnSent, Orders, ColumnCount };

} // namespace

COrdersDlg::COrdersDlg(const QString& game, OrdersBoardActions& actions, QWidget* parent)
    : QDialog(parent), m_actions(actions), m_table(new QTableWidget(0, ColumnCount, this)) {
    setWindowTitle(QStringLiteral("Orders for %1").arg(game));
    setModal(true);
    m_table->setObjectName(QStringLiteral("board"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Player"), QStringLiteral("Address"),
                                        QStringLiteral("Turn sent"), QStringLiteral("Orders")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(
        AddButton(QStringLiteral("Collect now"), [this] { m_actions.CollectNow(); }));
    buttons->addWidget(
        AddButton(QStringLiteral("Remind those waiting"), [this] { m_actions.RemindWaiting(); }));
    buttons->addWidget(
        AddButton(QStringLiteral("Mailbox..."), [this] { m_actions.EditMailbox(); }));
    buttons->addStretch();
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(close);

    auto* pattern = new QLineEdit(m_actions.OrdersName(), this);
    pattern->setObjectName(QStringLiteral("ordersName"));
    pattern->setPlaceholderText(QStringLiteral("the attachment's own name; or {game}.r{n}"));
    connect(pattern, &QLineEdit::editingFinished, this,
            [this, pattern] { m_actions.SetOrdersName(pattern->text()); });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Orders Name:"), pattern);
    auto* confirm = new QCheckBox(QStringLiteral("Confirm each receipt"), this);
    confirm->setChecked(m_actions.ConfirmsReceipts());
    connect(confirm, &QCheckBox::toggled, this,
            [this](bool checked) { m_actions.SetConfirmsReceipts(checked); });
    form->addRow(QString(), confirm);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(760, 480); // sixteen players at a glance
    ShowRows();
}

QPushButton* COrdersDlg::AddButton(const QString& text, std::function<void()> action) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(text);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, action] {
        action();
        ShowRows();
    });
    return button;
}

void COrdersDlg::ShowRows() {
    const std::vector<OrdersBoardRow> rows = m_actions.BoardRows();
    m_table->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const OrdersBoardRow& shown = rows[static_cast<std::size_t>(row)];
        const QString cells[ColumnCount] = {QString::number(shown.player), shown.address,
                                            shown.turnSent, shown.orders};
        for (int column = 0; column < ColumnCount; ++column) {
            m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
}
