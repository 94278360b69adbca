#pragma once

#include "Failure.h"

#include <string>
#include <string_view>
#include <vector>

// One mailbox: an optional display name and a bare address (local@domain).
struct Mailbox {
    std::string name;
    std::string address;
};

// Parses what a user typed as a recipient: exactly one mailbox, with or
// without a display name ("Ann Lee <ann@example.org>"), an "SMTP:" prefix allowed.
// Fails with MAPI_E_UNKNOWN_RECIPIENT (none, invalid, control characters, leading '-')
// or MAPI_E_AMBIGUOUS_RECIPIENT (two or more mailboxes).
Result<Mailbox> ParseMailbox(std::string_view text);

// True for a bare address we are willing to hand to a server or a program:
// dot-atom local part, host name or IPv4 literal domain, ASCII only.
bool IsValidAddress(std::string_view address);

// Who a message comes from and goes to, taken from its Simple MAPI descriptors.
struct Addressing {
    Mailbox from;
    bool originatorGiven = false;
    std::vector<Mailbox> to;
    std::vector<Mailbox> cc;
    std::vector<Mailbox> bcc;

    std::vector<std::string> EnvelopeRecipients() const;
};

// Reads the originator (or takes fallbackFrom) and the recipients of a message.
// Fails with MAPI_E_INVALID_RECIPS (no recipient, or an address that is not one)
// or MAPI_E_BAD_RECIPTYPE (a recipient class other than To, Cc or Bcc).
Result<Addressing> AddressingOf(const MapiMessage& message, const Mailbox& fallbackFrom);
