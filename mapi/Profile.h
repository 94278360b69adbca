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

// Reads the Mail Profile: an smtp:// or smtps:// URL, else what ProgramRouteOf
// takes (Programs.h). Fails with MAPI_E_LOGIN_FAILURE for a URL that names no
// server alone, and as ProgramRouteOf.
Result<Route> RouteOf(std::string_view profile);
