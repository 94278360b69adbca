#include "ProgramPlatform.h"

QProcessEnvironment JobEnvironment() {
    return QProcessEnvironment::systemEnvironment();
}

bool StoreIsAFile() {
    return false;
}

// Wine's Z: drive is the Linux root.
QString ServerFolderTemplate() {
    return QStringLiteral("Z:/tmp/zorvel-server-XXXXXX");
}
