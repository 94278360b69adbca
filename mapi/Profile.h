#pragma once

#include "Failure.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

// An SMTP server: smtp:// (STARTTLS) or smtps:// (TLS from the start).
struct SmtpRoute {
    std::string url; // scheme://host:port, without the user part
    bool implicitTls = false;
    std::string user; // percent-decoded; empty when the profile names none
};

// A sendmail-compatible program, run without a shell; argv[0] is a path.
struct ProgramRoute {
    std::vector<std::string> argv;
};

using Route = std::variant<SmtpRoute, ProgramRoute>;

// Reads the Mail Profile: empty (the system's sendmail), an smtp:// or smtps:// URL,
// an absolute program path with blank-separated arguments, or an msmtp account name.
// Fails with MAPI_E_LOGIN_FAILURE for any other text or a program that cannot be found.
Result<Route> RouteOf(std::string_view profile);
