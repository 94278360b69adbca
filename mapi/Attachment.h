#pragma once

#include "Failure.h"

#include <string>
#include <vector>

// One attachment file, open for reading, and the name it is shown under.
class Attachment {
public:
    Attachment(int fd, std::string shownName);
    Attachment(Attachment&& other) noexcept;
    Attachment& operator=(Attachment&&) = delete;
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;
    ~Attachment();

    int Fd() const { return m_fd; }
    const std::string& ShownName() const { return m_shownName; }

private:
    int m_fd;
    std::string m_shownName;
};

// Opens every attachment of a message before anything is sent, so a bad one
// stops the message whole. Fails with MAPI_E_ATTACHMENT_NOT_FOUND (no such file)
// or MAPI_E_ATTACHMENT_OPEN_FAILURE (not a regular file, or not readable).
Result<std::vector<Attachment>> OpenAttachments(const MapiFileDesc* files, MapiULong count);
