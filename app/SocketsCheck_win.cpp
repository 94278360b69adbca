#include "SocketsCheck.h"

#include <winsock2.h>

bool PlatformSocketsCheck() {
    WSADATA data{};
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        return false;
    }
    if (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != 1) {
        WSACleanup();
        return false;
    }
    // Stays started until the process ends.
    return true;
}
