#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

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
// Writes all `size` bytes; false on a failure (a full disk).
bool WriteToFile(int fd, const char* data, std::size_t size);
void CloseFile(int fd);

// One entry of a folder: its name, whether it is a regular file, and when it
// was last modified, in seconds since 1970 (UTC).
struct FolderEntry {
    std::string name;
    bool regular = false;
    std::int64_t modified = 0;
};

bool IsFolder(const std::string& path);
// The folder's entries, "." and ".." left out, in no particular order.
std::variant<std::vector<FolderEntry>, FileProblem> ListFolder(const std::string& path);

// A new folder of our own in the user's temporary folder (TMPDIR, else
// /var/tmp; Windows: the temporary path).
std::variant<std::string, FileProblem> CreateTemporaryFolder();
// A new, empty file in `folder`, named by us, open for writing.
struct NamedFile {
    int fd = -1;
    std::string path;
};
std::variant<NamedFile, FileProblem> CreateFileIn(const std::string& folder);
void RemoveFile(const std::string& path);
// Removes the files directly inside `folder`, then the folder.
void RemoveFolderAndFiles(const std::string& folder);
