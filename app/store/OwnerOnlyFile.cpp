#include "OwnerOnlyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

namespace {

const QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
const QFileDevice::Permissions kOwnerFolder = kOwnerFile | QFileDevice::ExeOwner;

} // namespace

// The missing folders are made from the top down. Each is closed to others
// before anything goes into it; chmod, unlike mkdir, ignores the umask.
bool PrepareOwnerOnlyFolder(const QString& folder) {
    QStringList missing;
    for (QFileInfo info(folder); !info.exists(); info.setFile(info.absolutePath())) {
        if (info.isRoot()) {
            return false;
        }
        missing.prepend(info.absoluteFilePath());
    }
    for (const QString& path : missing) {
        const bool made = QDir().mkdir(path);
        // Another copy of the program may have made it a moment ago.
        if (!made && !QFileInfo(path).isDir()) {
            return false;
        }
        if (made) {
            QFile::setPermissions(path, kOwnerFolder);
        }
    }
    return QFileInfo(folder).isDir();
}

bool PrepareOwnerOnlyFile(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (error) {
        return false;
    }
    const QString path = QFile::decodeName(absolute.c_str());
    if (!PrepareOwnerOnlyFolder(QFileInfo(path).absolutePath())) {
        return false;
    }
    QFile store(path);
    if (!store.exists() && !store.open(QIODevice::ReadWrite, kOwnerFile)) {
        return false;
    }
    return store.setPermissions(kOwnerFile);
}
