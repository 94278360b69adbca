#include "Socket.h"

#include <poll.h>
#include <sys/socket.h>

void StopReading(curl_socket_t socket) {
    shutdown(socket, SHUT_RD);
}

bool WaitForSocket(curl_socket_t socket, bool forWriting, int seconds) {
    pollfd watched{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    return poll(&watched, 1, seconds * 1000) > 0;
}
