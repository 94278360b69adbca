#include "ProgramPlatform.h"

QProcessEnvironment JobEnvironment() {
    return QProcessEnvironment::systemEnvironment();
}

bool StoreIsAFile() {
    return false;
}
