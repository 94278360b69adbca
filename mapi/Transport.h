#pragma once

#include "Failure.h"
#include "MessageBuilder.h"
#include "Profile.h"
#include "SpoolFile.h"

#include <memory>
#include <string>
#include <vector>

// Who the server or program is told the message is from and for.
struct Envelope {
    std::string sender; // empty: the program chooses
    std::vector<std::string> recipients;
};

// The way finished messages leave: an SMTP server or a sendmail-compatible program.
// One object lives for one session.
class Transport {
public:
    virtual ~Transport() = default;

    // Fails with MAPI_E_LOGIN_FAILURE: server unreachable, not secured, wrong
    // password, authentication not offered; or the program cannot be run.
    virtual Status Open() = 0;

    // Fails with MAPI_E_UNKNOWN_RECIPIENT (a recipient refused), MAPI_E_LOGIN_FAILURE
    // (authentication lost) or MAPI_E_FAILURE (too large, refused, connection lost,
    // no answer in time, program failed).
    virtual Status Send(const Envelope& envelope, const SpoolFile& message) = 0;

    virtual LineBreaks LineBreakStyle() const = 0;
};

std::unique_ptr<Transport> MakeSmtpTransport(const SmtpRoute& route, std::string password);
// POSIX systems only (ProgramTransport_posix.cpp).
std::unique_ptr<Transport> MakeProgramTransport(const ProgramRoute& route);
