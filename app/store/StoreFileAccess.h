#pragma once

#include <filesystem>
#include <string>

// What this process may do with the store's file and its folder.
struct StoreFileAccess {
    enum class State { Missing, Writable, ReadOnly, Unreadable };
    State state = State::Missing;
    // Why the store cannot be changed (ReadOnly) or read (Unreadable), for the
    // host: "it is marked read-only", "its folder /home/ann/.config/Halvane belongs to root".
    std::string reason;
};

// Looks at the store's file and its folder without opening either. A file or
// folder that its owner may not write counts as read-only even to root: the
// owner meant it so. Missing also when a folder on the way is missing or a file.
StoreFileAccess InspectStoreFile(const std::filesystem::path& file);
