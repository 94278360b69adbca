#pragma once

#include <curl/curl.h>

// Shuts the reading side of a connected socket: a wait for data on it ends at
// once, while writing still works. One implementation per platform.
void StopReading(curl_socket_t socket);

// Waits until the socket can be read (or written, with `forWriting`); false
// when `seconds` pass first or the wait fails.
bool WaitForSocket(curl_socket_t socket, bool forWriting, int seconds);
