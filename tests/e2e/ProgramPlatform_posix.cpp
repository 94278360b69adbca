#include "ProgramPlatform.h"

QProcessEnvironment JobEnvironment() {
    QProcessEnvironment environment;
    environment.insert("PATH", "/usr/bin:/bin");
    return environment;
}

bool StoreIsAFile() {
    return true;
}
