#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

// Files of the local file system, named by UTF-8 paths and held as C runtime
// descriptors in binary mode, which GMime's file streams read and write on
// every platform. One implementation per platform.

// Why a file could not be opened.
struct FileProblem {
    bool missing = false; // no such file, or no such folder on the way
    std::string reason;   // the system's words
};

// Opens a regular file for reading; a folder, a device or a FIFO is refused
// (`missing` false, reason "not a regular file").
std::variant<int, FileProblem> OpenRegularFile(const std::string& path);

// A new, empty file in the user's temporary folder that nobody else opens and
// that is deleted when closed, also when this process dies.
// Fails with the folder and the system's words.
std::variant<int, std::string> CreateTemporaryFile();

// The size in bytes, or the system's words.
std::variant<std::int64_t, std::string> FileSize(int fd);
// Nothing when it succeeds, else the system's words.
std::optional<std::string> SeekToStart(int fd);

// What was read: at most `size` bytes, 0 at the end, -1 on a failure.
std::int64_t ReadFromFile(int fd, char* buffer, std::size_t size);
void CloseFile(int fd);
