#pragma once

#include "FileProbe.h"
#include "GameFolder.h"
#include "LockFileRunLocks.h"
#include "SendRecordLog.h"
#include "SendServices.h"
#include "StoreNameFolding.h"
#include "SystemSendClock.h"

#include <QString>

#include <memory>

// One of each part a send run reaches, for one send record; the run locks
// live in the record's folder.
struct SendServiceParts {
    explicit SendServiceParts(const QString& recordPath);
    SendServiceParts(const SendServiceParts&) = delete;
    SendServiceParts& operator=(const SendServiceParts&) = delete;

    // The parts for the user's own send record.
    static std::unique_ptr<SendServiceParts> ForUser();

    // Valid while these parts live.
    SendServices Services();

    FileProbe files;
    SendRecordLog record;
    SystemSendClock clock;
    LockFileRunLocks locks;
    StoreNameFolding names;
    GameFolder ordersFolder; // where collected orders are saved
};
