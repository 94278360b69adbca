#include "SendServiceParts.h"

#include "SendRecordPlace.h"

#include <QFileInfo>

SendServiceParts::SendServiceParts(const QString& recordPath)
    : record(recordPath), locks(QFileInfo(recordPath).absolutePath()) {}

std::unique_ptr<SendServiceParts> SendServiceParts::ForUser() {
    return std::make_unique<SendServiceParts>(DefaultSendRecordPath());
}

SendServices SendServiceParts::Services() {
    return SendServices{files, record, clock, locks, names};
}
