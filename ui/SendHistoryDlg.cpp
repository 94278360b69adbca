#include "SendHistoryDlg.h"

#include "SizeText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Time, Player, Address, Files, Outcome, ColumnCount };

QString PlayerText(int player) {
    return player == RecordLine::kTestMessage ? QStringLiteral("test") : QString::number(player);
}

QString FilesText(const std::vector<RecordedFile>& files) {
    QStringList parts;
    for (const RecordedFile& file : files) {
        parts << QStringLiteral("%1 (%2)").arg(QString::fromStdString(file.name),
                                               QString::fromStdString(SizeText(file.size)));
    }
    return parts.join(QStringLiteral(", "));
}

QTableWidget* NewTable(const std::vector<HistoryEntry>& entries, const SendClock& clock,
                       QWidget* parent) {
    auto* table = new QTableWidget(static_cast<int>(entries.size()), ColumnCount, parent);
    table->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Player"),
                                      QStringLiteral("Address"), QStringLiteral("Files"),
                                      QStringLiteral("Outcome")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    for (int row = 0; row < table->rowCount(); ++row) {
        const HistoryEntry& entry = entries[static_cast<std::size_t>(row)];
        const QString cells[ColumnCount] = {
            QString::fromStdString(clock.Shown(entry.time)), PlayerText(entry.player),
            QString::fromStdString(entry.address), FilesText(entry.files),
            QString::fromStdString(OutcomeText(entry))};
        for (int column = 0; column < ColumnCount; ++column) {
            table->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

SendHistoryDlg::SendHistoryDlg(const QString& title, const std::vector<HistoryEntry>& entries,
                               const SendClock& clock, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    setModal(true);

    auto* nothingSent =
        new QLabel(QStringLiteral("Nothing has been sent for this game yet."), this);
    nothingSent->setVisible(entries.empty());

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &SendHistoryDlg::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nothingSent);
    layout->addWidget(NewTable(entries, clock, this));
    layout->addLayout(buttons);
    resize(640, 320);
}
