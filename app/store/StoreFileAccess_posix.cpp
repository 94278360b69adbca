#include "StoreFileAccess.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

std::string OwnerName(uid_t owner) {
    passwd entry{};
    passwd* found = nullptr;
    std::array<char, 4096> buffer{};
    if (getpwuid_r(owner, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return found->pw_name;
    }
    return "user " + std::to_string(owner);
}

// What keeps this process from using `path` as `wanted` (R_OK, W_OK...) asks,
// as the end of a sentence ("is marked read-only"); empty when nothing does.
std::string Blocker(const std::filesystem::path& path, const struct stat& status, int wanted) {
    const bool denied = access(path.c_str(), wanted) != 0;
    const int error = errno;
    if (denied && error == EROFS) {
        return "is on a read-only file system";
    }
    if (denied && error == EPERM) {
        return "is marked immutable";
    }
    if ((wanted & W_OK) != 0 && (status.st_mode & S_IWUSR) == 0) {
        return "is marked read-only";
    }
    if (!denied) {
        return {};
    }
    if (status.st_uid != geteuid()) {
        return "belongs to " + OwnerName(status.st_uid);
    }
    return std::string("cannot be used: ") + std::strerror(error);
}

StoreFileAccess Unreadable(std::string reason) {
    return {StoreFileAccess::State::Unreadable, std::move(reason)};
}

} // namespace

StoreFileAccess InspectStoreFile(const std::filesystem::path& file) {
    struct stat status {};
    if (stat(file.c_str(), &status) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return {};
        }
        return Unreadable(std::string("it cannot be reached: ") + std::strerror(error));
    }
    if (!S_ISREG(status.st_mode)) {
        return Unreadable("it is not a file");
    }
    if (std::string blocker = Blocker(file, status, R_OK); !blocker.empty()) {
        return Unreadable("it " + blocker);
    }
    if (std::string blocker = Blocker(file, status, W_OK); !blocker.empty()) {
        return {StoreFileAccess::State::ReadOnly, "it " + blocker};
    }
    // sqlite keeps its -wal and -shm files next to the store.
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    struct stat folderStatus {};
    if (stat(folder.c_str(), &folderStatus) == 0) {
        if (std::string blocker = Blocker(folder, folderStatus, W_OK | X_OK); !blocker.empty()) {
            return {StoreFileAccess::State::ReadOnly,
                    "its folder " + folder.string() + ' ' + blocker};
        }
    }
    return {StoreFileAccess::State::Writable, {}};
}
