#pragma once

#include <curl/curl.h>

// Makes a dead connection end every wait on it at once, so that it is never
// used again and a last QUIT on it takes no time. One implementation per
// platform.
void AbandonConnection(curl_socket_t socket);
