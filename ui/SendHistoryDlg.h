#pragma once

#include "SendHistory.h"

#include <QDialog>

#include <vector>

class QString;

// A game's send record, one row per message in the order given (newest
// first), closed with "Close".
class SendHistoryDlg : public QDialog {
    Q_OBJECT

public:
    SendHistoryDlg(const QString& title, const std::vector<HistoryEntry>& entries,
                   const SendClock& clock, QWidget* parent);
};
