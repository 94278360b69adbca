#include "SpoolFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// /var/tmp rather than /tmp, which many systems keep in memory: a spooled
// 100 MB attachment must not cost 100 MB of RAM.
std::string TempDir() {
    const char* dir = std::getenv("TMPDIR");
    if (dir && *dir) {
        return dir;
    }
    return access("/var/tmp", W_OK | X_OK) == 0 ? "/var/tmp" : "/tmp";
}

// Where O_TMPFILE is not supported, a named file is made and unlinked at once.
int OpenNamedThenUnlink(const std::string& dir) {
    std::string name = dir + "/simplemapi-XXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        unlink(name.c_str());
    }
    return fd;
}

} // namespace

Result<SpoolFile> SpoolFile::Create() {
    const auto dir = TempDir();
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        fd = OpenNamedThenUnlink(dir);
    }
    if (fd < 0) {
        return Failure{MAPI_E_DISK_FULL,
                       "cannot make a temporary file in " + dir + ": " + std::strerror(errno)};
    }
    return SpoolFile(fd);
}

SpoolFile::SpoolFile(SpoolFile&& other) noexcept : m_fd(other.m_fd) {
    other.m_fd = -1;
}

SpoolFile::~SpoolFile() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

Result<off_t> SpoolFile::Size() const {
    struct stat info {};
    if (fstat(m_fd, &info) != 0) {
        return Failure{MAPI_E_FAILURE, std::string("temporary file: ") + std::strerror(errno)};
    }
    if (auto failure = Rewind()) {
        return *failure;
    }
    return info.st_size;
}

Status SpoolFile::Rewind() const {
    if (lseek(m_fd, 0, SEEK_SET) != 0) {
        return Failure{MAPI_E_FAILURE, std::string("temporary file: ") + std::strerror(errno)};
    }
    return std::nullopt;
}
