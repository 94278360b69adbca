#include "SyncToDisk.h"

#include <cerrno>
#include <unistd.h>

QString SyncToDisk(QFile& file) {
    int result = 0;
    do {
        result = ::fsync(file.handle());
    } while (result != 0 && errno == EINTR);
    return result == 0 ? QString() : qt_error_string(errno);
}
