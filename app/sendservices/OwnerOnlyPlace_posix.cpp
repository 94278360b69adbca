#include "OwnerOnlyPlace.h"

#include "OwnerOnlyFile.h"

#include <QFile>

bool PrepareRecordFile(const QString& file) {
    return PrepareOwnerOnlyFile(std::filesystem::path(QFile::encodeName(file).toStdString()));
}

bool MakeOwnerOnlyFolder(const QString& folder) {
    return PrepareOwnerOnlyFolder(folder);
}
