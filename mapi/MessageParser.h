#pragma once

#include "Failure.h"
#include "TempFolder.h"

#include <string>
#include <vector>

// One attachment as handed to the caller: a file of ours, and the name the
// message gives it (decoded, UTF-8, not made safe: that is the caller's job).
struct ReadAttachment {
    std::string path;
    std::string name;
};

// What a whole read gives beyond the envelope.
struct ReadBody {
    std::string note; // the first text/plain part, UTF-8
    std::vector<ReadAttachment> files;
};

// Parses the message open in `fd` (taking it over), and, with `withFiles`,
// decodes every attachment, in pieces, into a new file in `folder`. Fails with
// MAPI_E_INVALID_MESSAGE (not a message, cut short, broken base64, nested too
// deeply), MAPI_E_TEXT_TOO_LARGE (a note of more than 16 MB) or
// MAPI_E_DISK_FULL; the files it made are then removed again.
Result<ReadBody> ParseMessage(int fd, TempFolder& folder, bool withFiles);
