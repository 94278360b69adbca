#include "OwnerOnlyPlace.h"

#include <QDir>
#include <QFileInfo>

// The user's local application data is closed to other users already; the
// file itself is created when it is first opened for appending.
bool PrepareRecordFile(const QString& file) {
    return MakeOwnerOnlyFolder(QFileInfo(file).absolutePath());
}

bool MakeOwnerOnlyFolder(const QString& folder) {
    return QDir().mkpath(folder);
}
