#include "OwnerOnlyFile.h"

#include <QDir>
#include <QFile>
#include <QString>

namespace {

const QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
const QFileDevice::Permissions kOwnerFolder = kOwnerFile | QFileDevice::ExeOwner;

QString ToQString(const std::filesystem::path& path) {
    return QFile::decodeName(path.c_str());
}

} // namespace

bool PrepareOwnerOnlyFile(const std::filesystem::path& file) {
    const QString folder = ToQString(file.parent_path().empty() ? "." : file.parent_path());
    if (!QDir().mkpath(folder)) {
        return false;
    }
    // chmod ignores the umask, which creation would apply.
    QFile::setPermissions(folder, kOwnerFolder);
    QFile store(ToQString(file));
    if (!store.exists() && !store.open(QIODevice::ReadWrite, kOwnerFile)) {
        return false;
    }
    return store.setPermissions(kOwnerFile);
}
