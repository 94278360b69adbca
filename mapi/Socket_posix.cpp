#include "Socket.h"

#include <poll.h>
#include <sys/socket.h>

// Only the reading side: a wait for a reply ends at once, and QUIT can still
// be written, so no write fails.
void AbandonConnection(curl_socket_t socket) {
    shutdown(socket, SHUT_RD);
}

// The system's own buffer sizing serves well here.
int PrepareSendingSocket(void*, curl_socket_t, curlsocktype) {
    return CURL_SOCKOPT_OK;
}

bool WaitForSocket(curl_socket_t socket, bool forWriting, int seconds) {
    pollfd watched{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    return poll(&watched, 1, seconds * 1000) > 0;
}
