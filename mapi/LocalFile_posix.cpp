#include "LocalFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

FileProblem NotRegular() {
    return {false, "not a regular file"};
}

} // namespace

std::variant<int, FileProblem> OpenRegularFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return FileProblem{errno == ENOENT || errno == ENOTDIR, std::strerror(errno)};
    }
    if (!S_ISREG(info.st_mode)) {
        return NotRegular();
    }
    // Non-blocking, so a FIFO swapped in after the check cannot hang the call.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return FileProblem{false, std::strerror(errno)};
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return NotRegular();
    }
    return fd;
}

std::variant<int, std::string> CreateTemporaryFile() {
    const auto dir = TempDir();
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        fd = OpenNamedThenUnlink(dir);
    }
    if (fd < 0) {
        return "cannot make a temporary file in " + dir + ": " + std::strerror(errno);
    }
    return fd;
}

std::variant<std::int64_t, std::string> FileSize(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return std::string(std::strerror(errno));
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::optional<std::string> SeekToStart(int fd) {
    if (lseek(fd, 0, SEEK_SET) != 0) {
        return std::string(std::strerror(errno));
    }
    return std::nullopt;
}

std::int64_t ReadFromFile(int fd, char* buffer, std::size_t size) {
    return read(fd, buffer, size);
}

void CloseFile(int fd) {
    close(fd);
}
