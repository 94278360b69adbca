#include "OwnerOnlyPlace.h"

#include "OwnerOnlyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

bool PrepareRecordFile(const QString& file) {
    return PrepareOwnerOnlyFile(std::filesystem::path(QFile::encodeName(file).toStdString()));
}

bool MakeOwnerOnlyFolder(const QString& folder) {
    QStringList missing;
    for (QFileInfo info(folder); !info.exists(); info.setFile(info.absolutePath())) {
        if (info.isRoot()) {
            return false;
        }
        missing.prepend(info.absoluteFilePath());
    }
    // Top down, each closed to others before anything goes into it; chmod,
    // unlike mkdir, ignores the umask.
    for (const QString& path : missing) {
        if (QDir().mkdir(path)) {
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner);
        } else if (!QFileInfo(path).isDir()) {
            // Not made by another run a moment ago either.
            return false;
        }
    }
    return QFileInfo(folder).isDir();
}
