#include "Socket.h"

#include <winsock2.h>

// Both sides: a wait on a socket whose reading side alone is shut goes on
// until its timeout here, while a QUIT that cannot be written fails at once.
void AbandonConnection(curl_socket_t socket) {
    shutdown(socket, SD_BOTH);
}
