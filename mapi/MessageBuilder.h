#pragma once

#include "Address.h"
#include "Attachment.h"
#include "Failure.h"

#include <string>
#include <vector>

enum class LineBreaks { Unix, Crlf };

// Everything that goes into one message; texts as the caller gave them.
struct MessageContent {
    const Addressing& addressing;
    std::string_view subject;
    std::string_view noteText;
    const std::vector<Attachment>& attachments;
};

// Writes the complete message (headers, UTF-8 text, base64 attachments read from
// their files in pieces) to fd with the given line breaks.
// Fails with MAPI_E_FAILURE when an attachment cannot be read or fd cannot be written.
Status WriteMessage(const MessageContent& content, LineBreaks lineBreaks, int fd);
