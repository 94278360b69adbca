#pragma once

#include "Failure.h"
#include "Profile.h"
#include "Transport.h"

#include <memory>
#include <string>
#include <string_view>

// Sendmail-compatible programs as a way out: POSIX systems have them, Windows
// has none. One implementation per platform.

// Reads a profile that names no server: empty (the system's sendmail), an
// absolute program path with blank-separated arguments, or an msmtp account
// name. Fails with MAPI_E_LOGIN_FAILURE for any other text or a program that
// cannot be found; on Windows for every profile, saying why.
Result<Route> ProgramRouteOf(std::string_view profile);

// The way out for a route: its server, or its program.
std::unique_ptr<Transport> MakeTransport(const Route& route, std::string password);
