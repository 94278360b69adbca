#include "WindowOrdersActions.h"

#include "COrdersMailboxDlg.h"
#include "MapiLibrary.h"
#include "MessageBoxes.h"
#include "OrderCollector.h"
#include "OrderReceipts.h"
#include "OrdersBoard.h"
#include "OrdersSettings.h"
#include "SendHistory.h"

WindowOrdersActions::WindowOrdersActions(const GameRecord& game, const MailSettings& mail,
                                         ProfileStore& store, SendServices services,
                                         OrdersFolder& folder, MailLibraryChoice mailLibraries,
                                         DispatchWindow& window, QWidget* owner,
                                         TurnDispatcher& dispatcher)
    : m_game(game), m_mail(mail), m_store(store), m_services(services), m_folder(folder),
      m_mailLibraries(std::move(mailLibraries)), m_window(window), m_owner(owner),
      m_dispatcher(dispatcher) {}

std::vector<OrdersBoardRow> WindowOrdersActions::BoardRows() {
    std::string problem;
    const std::optional<std::vector<std::string>> lines = m_services.record.ReadLines(problem);
    if (!lines) {
        m_window.ShowMessage(RecordProblem(m_services.record, problem) + ".");
        return {};
    }
    const OrdersRecord record(*lines, m_game.name, m_services.names);
    std::vector<OrdersBoardRow> rows;
    for (const BoardRow& row : OrdersBoard(m_game, record, m_services.clock)) {
        rows.push_back(
            {row.player, QString::fromStdString(row.address),
             row.turnSent ? QString::fromStdString(m_services.clock.Shown(*row.turnSent)) : "",
             QString::fromStdString(row.orders)});
    }
    return rows;
}

void WindowOrdersActions::CollectNow() {
    const OrdersSettings settings = ReadOrdersSettings(m_store, m_game.name);
    MapiLibrary library(m_window, m_mailLibraries);
    OrderCollector collector(library, m_services, m_folder, m_window, m_window.OwnerHandle());
    const CollectionReport report = collector.Collect(m_game, settings, m_mail.password);
    if (!report.problem.empty()) {
        m_window.ShowMessage(report.problem);
    }
    if (report.filesWithheld) {
        m_window.ShowMessage(kFilesWithheld);
    }
    if (settings.confirmReceipts) {
        SendReceipts(m_dispatcher, m_game, report);
    }
}

void WindowOrdersActions::RemindWaiting() {
    QStringList named;
    std::vector<int> waiting;
    for (const OrdersBoardRow& row : BoardRows()) {
        if (row.orders == QLatin1String(kWaiting)) {
            waiting.push_back(row.player);
            named << QStringLiteral("Player %1, %2").arg(row.player).arg(row.address);
        }
    }
    if (waiting.empty()) {
        MessageBoxes::Show(QStringLiteral("Every player's orders are in."));
        return;
    }
    const QString question =
        QStringLiteral("Remind these players that their orders for %1 are due?\n\n%2")
            .arg(QString::fromStdString(m_game.name), named.join('\n'));
    if (MessageBoxes::Show(question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No,
                           QMessageBox::Question) == QMessageBox::Yes) {
        m_dispatcher.SendReminders(waiting);
    }
}

void WindowOrdersActions::EditMailbox() {
    OrdersSettings settings = ReadOrdersSettings(m_store, m_game.name);
    if (RunOrdersMailbox(settings.mailbox, settings.password, m_owner)) {
        WriteOrdersMailbox(m_store, settings);
    }
}

QString WindowOrdersActions::OrdersName() {
    return QString::fromStdString(ReadOrdersSettings(m_store, m_game.name).ordersName);
}

void WindowOrdersActions::SetOrdersName(const QString& pattern) {
    OrdersSettings settings = ReadOrdersSettings(m_store, m_game.name);
    settings.ordersName = pattern.toStdString();
    WriteGameOrdersSettings(m_store, m_game.name, settings);
}

bool WindowOrdersActions::ConfirmsReceipts() {
    return ReadOrdersSettings(m_store, m_game.name).confirmReceipts;
}

void WindowOrdersActions::SetConfirmsReceipts(bool confirm) {
    OrdersSettings settings = ReadOrdersSettings(m_store, m_game.name);
    settings.confirmReceipts = confirm;
    WriteGameOrdersSettings(m_store, m_game.name, settings);
}
