#pragma once

#include <string>

// Who runs this program and where, for a sender when none is configured.
// UTF-8. One implementation per platform.

// The login name; "user" when it cannot be told.
std::string LoginName();
// This computer's host name; empty when it cannot be told.
std::string HostName();
