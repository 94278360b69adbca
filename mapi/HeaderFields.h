#pragma once

#include "Address.h"

#include <string>
#include <string_view>

// The header fields a listing shows, as they stand in the message.
struct HeaderFields {
    std::string from;
    std::string subject;
    std::string messageId;
};

// Picks From, Subject and Message-ID out of a header block; folded lines are
// joined, the first of a repeated field wins.
HeaderFields PickHeaderFields(std::string_view block);

// A header value as a reader shows it: encoded words decoded, UTF-8.
std::string DecodedHeaderText(const std::string& raw);
// The first mailbox of a From value: decoded display name and bare address.
Mailbox DecodedSender(const std::string& raw);
