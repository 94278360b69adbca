#include "Socket.h"

#include <sys/socket.h>

void StopReading(curl_socket_t socket) {
    shutdown(socket, SHUT_RD);
}
