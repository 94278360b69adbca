#include "LockFileRunLocks.h"

#include "OwnerOnlyPlace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>

#include <utility>

namespace {

class HeldRunLock : public RunLock {
public:
    explicit HeldRunLock(std::unique_ptr<QLockFile> file) : m_file(std::move(file)) {}

private:
    // QLockFile unlocks when destroyed.
    std::unique_ptr<QLockFile> m_file;
};

// Game names may hold anything; a hash of the folded name makes a file name
// that every file system takes.
QString LockFileName(const std::string& gameKey) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(gameKey), QCryptographicHash::Sha256);
    return QStringLiteral("run-") + QString::fromLatin1(hash.toHex().left(32)) +
           QStringLiteral(".lock");
}

std::string LockFailure(QLockFile::LockError error) {
    switch (error) {
    case QLockFile::PermissionError:
        return "permission denied";
    default:
        return "unknown error";
    }
}

} // namespace

LockFileRunLocks::LockFileRunLocks(QString folder) : m_folder(std::move(folder)) {}

std::unique_ptr<RunLock> LockFileRunLocks::Acquire(const std::string& gameKey,
                                                   std::string& problem) {
    problem.clear();
    if (!MakeOwnerOnlyFolder(m_folder)) {
        problem = "cannot create the folder " + QDir::toNativeSeparators(m_folder).toStdString();
        return nullptr;
    }
    const QString path = QDir(m_folder).filePath(LockFileName(gameKey));
    auto file = std::make_unique<QLockFile>(path);
    // Only a dead owner makes a lock stale: a send run may wait on the mail
    // program for as long as the user takes.
    file->setStaleLockTime(0);
    if (file->tryLock(0)) {
        return std::make_unique<HeldRunLock>(std::move(file));
    }
    if (file->error() != QLockFile::LockFailedError) {
        problem = "cannot create the lock file " + QDir::toNativeSeparators(path).toStdString() +
                  ": " + LockFailure(file->error());
    }
    return nullptr;
}
