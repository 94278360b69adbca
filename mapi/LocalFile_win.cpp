#include "LocalFile.h"
#include "WideText.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace {

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(code) : NarrowToUtf8(message);
}

std::wstring TempFolder() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length) : L".\\";
}

bool IsRegular(int fd) {
    struct _stat64 info {};
    return _fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
}

} // namespace

std::variant<int, FileProblem> OpenRegularFile(const std::string& path) {
    const auto wide = WidenUtf8(path);
    if (!wide) {
        return FileProblem{false, "the path is not valid UTF-8"};
    }
    struct _stat64 info {};
    if (_wstat64(wide->c_str(), &info) != 0) {
        return FileProblem{errno == ENOENT, std::strerror(errno)};
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        return FileProblem{false, "not a regular file"};
    }
    // Binary: a text-mode descriptor would drop carriage returns and stop at Ctrl-Z.
    const int fd = _wopen(wide->c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        return FileProblem{false, std::strerror(errno)};
    }
    if (!IsRegular(fd)) {
        _close(fd);
        return FileProblem{false, "not a regular file"};
    }
    return fd;
}

// Deleted on close by the system itself, and opened with no sharing, so no
// other program reads the message while it is built.
std::variant<int, std::string> CreateTemporaryFile() {
    const auto folder = TempFolder();
    const auto where = "cannot make a temporary file in " + NarrowToUtf8(folder) + ": ";
    wchar_t name[MAX_PATH + 1] = {};
    if (GetTempFileNameW(folder.c_str(), L"smp", 0, name) == 0) {
        return where + SystemMessage(GetLastError());
    }
    HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const auto error = GetLastError();
        DeleteFileW(name);
        return where + SystemMessage(error);
    }
    // Without _O_TEXT the descriptor is binary.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), 0);
    if (fd < 0) {
        CloseHandle(file);
        return where + "no free file descriptor";
    }
    return fd;
}

std::variant<std::int64_t, std::string> FileSize(int fd) {
    const auto size = _filelengthi64(fd);
    if (size < 0) {
        return std::string(std::strerror(errno));
    }
    return static_cast<std::int64_t>(size);
}

std::optional<std::string> SeekToStart(int fd) {
    if (_lseeki64(fd, 0, SEEK_SET) != 0) {
        return std::string(std::strerror(errno));
    }
    return std::nullopt;
}

std::int64_t ReadFromFile(int fd, char* buffer, std::size_t size) {
    return _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

void CloseFile(int fd) {
    _close(fd);
}
