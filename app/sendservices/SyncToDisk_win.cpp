#include "SyncToDisk.h"

#include <io.h>
#include <windows.h>

QString SyncToDisk(QFile& file) {
    // Qt hands out a C run-time descriptor over its own file handle.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (handle == INVALID_HANDLE_VALUE) {
        return QStringLiteral("the file has no system handle");
    }
    return FlushFileBuffers(handle) ? QString() : qt_error_string(static_cast<int>(GetLastError()));
}
