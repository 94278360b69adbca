#include "Socket.h"

#include <winsock2.h>

void StopReading(curl_socket_t socket) {
    shutdown(socket, SD_RECEIVE);
}

bool WaitForSocket(curl_socket_t socket, bool forWriting, int seconds) {
    WSAPOLLFD watched{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    return WSAPoll(&watched, 1, seconds * 1000) > 0;
}
