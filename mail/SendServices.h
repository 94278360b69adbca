#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the checks before sending learn of a file.
struct FileFacts {
    enum class State { Missing, NotRegular, Unreadable, Present };
    State state = State::Missing;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // seconds since 1970-01-01 UTC
};

// The file system as the checks and the send record see it.
class TurnFileProbe {
public:
    virtual ~TurnFileProbe() = default;
    virtual FileFacts Inspect(const std::string& path) = 0;
    // Lower-case hex; nullopt when the file cannot be read to its end.
    virtual std::optional<std::string> Sha256(const std::string& path) = 0;
};

// The send record's file: one line per entry, oldest first.
class SendRecordFile {
public:
    virtual ~SendRecordFile() = default;
    // Appends each of `lines` and a line feed, all in one write synced to
    // disk; false, with `problem` set to the reason, when it could not.
    virtual bool Append(const std::vector<std::string>& lines, std::string& problem) = 0;
    // Every line; a missing file has none. Nullopt, with `problem` set,
    // when the file is there but cannot be read.
    virtual std::optional<std::vector<std::string>> ReadLines(std::string& problem) = 0;
    // Where it lives, for the host.
    virtual std::string Location() const = 0;
};

class SendClock {
public:
    virtual ~SendClock() = default;
    // Seconds since 1970-01-01 UTC.
    virtual std::int64_t Now() const = 0;
    // `utc` in local time, short: "5 Dec 20:14".
    virtual std::string Shown(std::int64_t utc) const = 0;
};

// A game's run lock; released when destroyed.
class RunLock {
public:
    virtual ~RunLock() = default;
};

class RunLocks {
public:
    virtual ~RunLocks() = default;
    // The lock for the game whose folded name is `gameKey`. Null when a live
    // run holds it (`problem` empty) or it cannot be made (`problem` says
    // why). A lock left by a run that died is taken over.
    virtual std::unique_ptr<RunLock> Acquire(const std::string& gameKey, std::string& problem) = 0;
};

// Game names are matched as the profile store matches them.
class NameFolding {
public:
    virtual ~NameFolding() = default;
    virtual std::string Fold(std::string_view name) const = 0;
};

// The parts outside the program that a safe run reaches.
struct SendServices {
    TurnFileProbe& files;
    SendRecordFile& record;
    const SendClock& clock;
    RunLocks& locks;
    const NameFolding& names;
};
