#include "OrdersBoard.h"

#include "SizeText.h"

OrdersRecord::OrdersRecord(const std::vector<std::string>& lines, const std::string& game,
                           const NameFolding& names) {
    const std::string key = names.Fold(game);
    for (const std::string& text : lines) {
        const std::optional<RecordLine> line = ParseRecordLine(text);
        if (!line || names.Fold(line->game) != key) {
            continue;
        }
        const bool player = line->player >= 1 && line->player <= kPlayerCount;
        const std::size_t at = player ? static_cast<std::size_t>(line->player - 1) : 0;
        switch (line->event) {
        case RecordLine::Event::Sent:
            if (player && line->purpose == RecordLine::Purpose::Turn) {
                m_turnsSent[at] = line->time;
                m_orders[at].reset(); // his orders are for the turn before
                m_replaced[at] = 0;
            }
            break;
        case RecordLine::Event::Received:
            m_taken.insert(line->messageId);
            if (player && line->reason == kReplacedByLater) {
                ++m_replaced[at];
            } else if (player) {
                m_orders[at] = *line;
            }
            break;
        case RecordLine::Event::Scanned:
            m_lastScanned = line->messageId;
            break;
        default:
            break;
        }
    }
}

std::optional<RecordLine> OrdersRecord::Orders(int player) const {
    return m_orders.at(static_cast<std::size_t>(player - 1));
}

std::string OrdersText(const RecordLine& line, const SendClock& clock) {
    if (line.files.empty()) {
        return line.reason;
    }
    std::string text = clock.Shown(line.time) + ":";
    for (std::size_t at = 0; at < line.files.size(); ++at) {
        const RecordedFile& file = line.files[at];
        text += (at == 0 ? " " : ", ") + file.name + " (" + SizeText(file.size) + ")";
    }
    return line.reason.empty() ? text : text + " - " + line.reason;
}

std::vector<BoardRow> OrdersBoard(const GameRecord& game, const OrdersRecord& record,
                                  const SendClock& clock) {
    std::vector<BoardRow> rows;
    for (int number = 1; number <= kPlayerCount; ++number) {
        const std::string& address = game.Player(number).email;
        if (address.empty()) {
            continue;
        }
        const std::optional<RecordLine> orders = record.Orders(number);
        std::string text = orders ? OrdersText(*orders, clock) : kWaiting;
        if (orders && record.Replaced(number) > 0) {
            text +=
                "; " + std::to_string(record.Replaced(number)) + " earlier: " + kReplacedByLater;
        }
        rows.push_back(
            {number, address, record.TurnsSent()[static_cast<std::size_t>(number - 1)], text});
    }
    return rows;
}

std::string ReceiptNote(const std::string& game, const RecordLine& line) {
    std::string note = "Your orders for " + game + " arrived and were saved:\n";
    for (const RecordedFile& file : line.files) {
        note += "\n" + file.name + " (" + std::to_string(file.size) + " bytes)\nSHA-256 " +
                file.sha256 + "\n";
    }
    return note;
}

std::vector<int> WaitingPlayers(const std::vector<BoardRow>& rows) {
    std::vector<int> waiting;
    for (const BoardRow& row : rows) {
        if (row.orders == kWaiting) {
            waiting.push_back(row.player);
        }
    }
    return waiting;
}
