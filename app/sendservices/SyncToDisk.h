#pragma once

#include <QFile>
#include <QString>

// Asks the system to put what was written to `file` (open, flushed) on the
// disk before returning. Empty when it did; otherwise the system's reason.
QString SyncToDisk(QFile& file);
