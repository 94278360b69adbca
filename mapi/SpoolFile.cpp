#include "SpoolFile.h"

#include "LocalFile.h"

Result<SpoolFile> SpoolFile::Create() {
    auto created = CreateTemporaryFile();
    if (const auto* reason = std::get_if<std::string>(&created)) {
        return Failure{MAPI_E_DISK_FULL, *reason};
    }
    return SpoolFile(std::get<int>(created));
}

SpoolFile::SpoolFile(SpoolFile&& other) noexcept : m_fd(other.m_fd) {
    other.m_fd = -1;
}

SpoolFile::~SpoolFile() {
    if (m_fd >= 0) {
        CloseFile(m_fd);
    }
}

Result<std::int64_t> SpoolFile::Size() const {
    auto size = FileSize(m_fd);
    if (const auto* reason = std::get_if<std::string>(&size)) {
        return Failure{MAPI_E_FAILURE, "temporary file: " + *reason};
    }
    if (auto failure = Rewind()) {
        return *failure;
    }
    return std::get<std::int64_t>(size);
}

Status SpoolFile::Rewind() const {
    if (auto reason = SeekToStart(m_fd)) {
        return Failure{MAPI_E_FAILURE, "temporary file: " + *reason};
    }
    return std::nullopt;
}
