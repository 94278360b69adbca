#pragma once

#include "FileProbe.h"
#include "LockFileRunLocks.h"
#include "SendRecordLog.h"
#include "SendServices.h"
#include "StoreNameFolding.h"
#include "SystemSendClock.h"

#include <QString>

#include <memory>

// One of each part a send run reaches, for one send record; the run locks
// live in the record's folder.
struct SendRecordParts {
    explicit SendRecordParts(const QString& recordPath);
    SendRecordParts(const SendRecordParts&) = delete;
    SendRecordParts& operator=(const SendRecordParts&) = delete;

    // The parts for the user's own send record.
    static std::unique_ptr<SendRecordParts> ForUser();

    // Valid while these parts live.
    SendServices services();

    FileProbe files;
    SendRecordLog record;
    SystemSendClock clock;
    LockFileRunLocks locks;
    StoreNameFolding names;
};
