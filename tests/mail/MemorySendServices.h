#pragma once

#include "SendServices.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// The files, record, clock and locks of a run kept in memory, so the run's
// protocol can be checked alone; the window's tests use the real ones.
// A file is present (64 bytes, a minute old, its hash HashOf its path)
// unless told otherwise.
class MemorySendServices final : public TurnFileProbe,
                                 public SendRecordFile,
                                 public SendClock,
                                 public RunLocks,
                                 public NameFolding {
public:
    std::map<std::string, FileFacts> files;
    std::map<std::string, std::string> hashes;
    std::vector<std::string> lines;
    std::size_t linesWritable = SIZE_MAX; // before the disk is full
    bool recordReadable = true;
    std::set<std::string> heldLocks; // folded game names another run holds
    std::int64_t now = 1'800'000'000;

    static std::string HashOf(const std::string& path);
    SendServices Services() { return {*this, *this, *this, *this, *this}; }

    FileFacts Inspect(const std::string& path) override;
    std::optional<std::string> Sha256(const std::string& path) override;
    bool Append(const std::vector<std::string>& entries, std::string& problem) override;
    std::optional<std::vector<std::string>> ReadLines(std::string& problem) override;
    std::string Location() const override { return "/state/sent.log"; }
    std::int64_t Now() const override { return now; }
    std::string Shown(std::int64_t utc) const override { return "at " + std::to_string(utc); }
    std::unique_ptr<RunLock> Acquire(const std::string& gameKey, std::string& problem) override;
    std::string Fold(std::string_view name) const override;
};
