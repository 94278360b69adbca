#include "Socket.h"

#include <winsock2.h>

// Both sides: a wait on a socket whose reading side alone is shut goes on
// until its timeout here, while a QUIT that cannot be written fails at once.
void AbandonConnection(curl_socket_t socket) {
    shutdown(socket, SD_BOTH);
}

// A send buffer that holds several of curl's upload blocks, so that a send
// seldom waits for the socket to become writable again: that wait is where
// an upload spends its time when the buffer is small.
int PrepareSendingSocket(void*, curl_socket_t socket, curlsocktype) {
    const int size = 4 * 1024 * 1024;
    setsockopt(socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&size), sizeof size);
    return CURL_SOCKOPT_OK;
}

bool WaitForSocket(curl_socket_t socket, bool forWriting, int seconds) {
    WSAPOLLFD watched{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    return WSAPoll(&watched, 1, seconds * 1000) > 0;
}
