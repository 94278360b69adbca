#pragma once

#include "Failure.h"
#include "Profile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// What a listing knows of one message, header values as they stand in the
// message (undecoded, unfolded).
struct StoredEnvelope {
    std::string from;
    std::string subject;
    std::string messageId;
    std::int64_t arrived = 0; // seconds since 1970, UTC
    bool seen = false;
};

// A mailbox read in the order its messages arrived, without changing it: no
// message is moved, deleted or flagged. One object lives for one session.
class MailStore {
public:
    virtual ~MailStore() = default;

    // Fails with MAPI_E_LOGIN_FAILURE: unreachable, not secured, wrong
    // password, no such mailbox.
    virtual Status Open() = 0;

    // The id of the first message after `seed` (from the first message when
    // the seed is empty or belongs to an earlier numbering of the mailbox),
    // unread ones only with `unreadOnly`. Fails with MAPI_E_NO_MESSAGES after
    // the last, MAPI_E_INVALID_MESSAGE for a seed that is no id of ours, or
    // MAPI_E_FAILURE when the mailbox cannot be read.
    virtual Result<std::string> NextId(std::string_view seed, bool unreadOnly) = 0;

    // Fail with MAPI_E_INVALID_MESSAGE for an id that names no message here,
    // or MAPI_E_FAILURE when the mailbox cannot be read.
    virtual Result<StoredEnvelope> Envelope(std::string_view id) = 0;
    // The whole message, open for reading from its start; the caller closes it.
    virtual Result<int> OpenMessage(std::string_view id) = 0;
};

std::unique_ptr<MailStore> MakeImapStore(const ImapRoute& route, std::string password);
std::unique_ptr<MailStore> MakeMaildirStore(const MaildirRoute& route);
