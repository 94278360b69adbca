#pragma once

#include "SendServices.h"

#include <QString>

// Run locks as lock files in one folder, one per game. A lock whose owner
// process has died is taken over however old it is; a live owner's lock is
// never taken, however long its run lasts.
class LockFileRunLocks : public RunLocks {
public:
    explicit LockFileRunLocks(QString folder);

    // Null with `problem` empty when a live run (in this process or another)
    // holds the game's lock; null with `problem` set when the folder or the
    // lock file cannot be made.
    std::unique_ptr<RunLock> Acquire(const std::string& gameKey, std::string& problem) override;

private:
    QString m_folder;
};
