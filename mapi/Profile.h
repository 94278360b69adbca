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

// A mailbox on an IMAP server: imap:// (STARTTLS) or imaps:// (TLS from the start).
struct ImapRoute {
    std::string url; // scheme://host:port/, without the user part
    bool implicitTls = false;
    std::string user;    // percent-decoded
    std::string mailbox; // percent-decoded UTF-8; INBOX when the URL names none
};

// A Maildir folder (the one with cur/ and new/ in it).
struct MaildirRoute {
    std::string path;
};

using Route = std::variant<SmtpRoute, ProgramRoute, ImapRoute, MaildirRoute>;

// Whether a session on the route reads mail rather than sends it.
bool IsReadingRoute(const Route& route);

// Reads the Mail Profile: an smtp://, smtps://, imap:// or imaps:// URL, a
// maildir:PATH, else what ProgramRouteOf takes (Programs.h). Fails with
// MAPI_E_LOGIN_FAILURE for a URL that names no server alone, an IMAP URL
// without a user, and as ProgramRouteOf.
Result<Route> RouteOf(std::string_view profile);
