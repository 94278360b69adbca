#include "ProgramPlatform.h"

#include <QDir>

QProcessEnvironment JobEnvironment() {
    QProcessEnvironment environment;
    environment.insert("PATH", "/usr/bin:/bin");
    return environment;
}

bool StoreIsAFile() {
    return true;
}

QString ServerFolderTemplate() {
    return QDir::tempPath() + QStringLiteral("/zorvel-server-XXXXXX");
}
