#include "SendRecordParts.h"

#include "SendRecordPlace.h"

#include <QFileInfo>

SendRecordParts::SendRecordParts(const QString& recordPath)
    : record(recordPath), locks(QFileInfo(recordPath).absolutePath()) {}

std::unique_ptr<SendRecordParts> SendRecordParts::ForUser() {
    return std::make_unique<SendRecordParts>(DefaultSendRecordPath());
}

SendServices SendRecordParts::services() {
    return SendServices{files, record, clock, locks, names};
}
