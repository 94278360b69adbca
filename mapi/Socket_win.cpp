#include "Socket.h"

#include <winsock2.h>

void StopReading(curl_socket_t socket) {
    shutdown(socket, SD_RECEIVE);
}
