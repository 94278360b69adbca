#include "SocketsCheck.h"

bool PlatformSocketsCheck() {
    return true;
}
