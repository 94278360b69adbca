#pragma once

#include "Failure.h"

#include <cstdint>

// A finished message in an unnamed temporary file: built once, then read back
// in pieces, so memory does not grow with the size of the attachments.
class SpoolFile {
public:
    // Fails with MAPI_E_DISK_FULL when no temporary file can be made.
    static Result<SpoolFile> Create();

    SpoolFile(SpoolFile&& other) noexcept;
    SpoolFile& operator=(SpoolFile&&) = delete;
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;
    ~SpoolFile();

    int Fd() const { return m_fd; }
    // Both leave the read position at the start. Fail with MAPI_E_FAILURE.
    Result<std::int64_t> Size() const;
    Status Rewind() const;

private:
    explicit SpoolFile(int fd) : m_fd(fd) {}
    int m_fd;
};
