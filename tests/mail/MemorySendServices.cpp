#include "MemorySendServices.h"

#include <cctype>

FileFacts MemorySendServices::Inspect(const std::string& path) {
    const auto known = files.find(path);
    return known != files.end() ? known->second
                                : FileFacts{FileFacts::State::Present, 64, now - 60};
}

std::optional<std::string> MemorySendServices::Sha256(const std::string& path) {
    const auto known = hashes.find(path);
    return known != hashes.end() ? known->second : HashOf(path);
}

std::string MemorySendServices::HashOf(const std::string& path) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : path) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 0xF];
    }
    return hex;
}

bool MemorySendServices::Append(const std::vector<std::string>& entries, std::string& problem) {
    if (lines.size() + entries.size() > linesWritable) {
        problem = "cannot be written: No space left on device";
        return false;
    }
    lines.insert(lines.end(), entries.begin(), entries.end());
    return true;
}

std::optional<std::vector<std::string>> MemorySendServices::ReadLines(std::string& problem) {
    if (!recordReadable) {
        problem = "cannot be read: Permission denied";
        return std::nullopt;
    }
    return lines;
}

std::unique_ptr<RunLock> MemorySendServices::Acquire(const std::string& gameKey, std::string&) {
    if (heldLocks.count(gameKey) != 0) {
        return nullptr;
    }
    return std::make_unique<RunLock>();
}

std::string MemorySendServices::Fold(std::string_view name) const {
    std::string folded(name);
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}
