#pragma once

#include <curl/curl.h>

// Makes a dead connection end every wait on it at once, so that it is never
// used again and a last QUIT on it takes no time. One implementation per
// platform.
void AbandonConnection(curl_socket_t socket);

// Sets up a new connection's socket for sending whole messages; a
// CURLOPT_SOCKOPTFUNCTION. One implementation per platform.
int PrepareSendingSocket(void* user, curl_socket_t socket, curlsocktype purpose);

// Waits until the socket can be read (or written, with `forWriting`); false
// when `seconds` pass first or the wait fails.
bool WaitForSocket(curl_socket_t socket, bool forWriting, int seconds);
