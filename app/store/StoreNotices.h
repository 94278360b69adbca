#pragma once

#include <string>

// The texts the host reads at start-up about a store that did not open as
// usual. `store` is the store's path; a reason ends the sentence "The settings
// store ... cannot be changed: <reason>".

// Read-only; `immutable` when it was opened as a file nothing changes.
std::string ReadOnlyNotice(const std::string& store, const std::string& reason, bool immutable);
std::string UnreadableNotice(const std::string& store, const std::string& reason);
// Damaged, kept as `aside`, replaced by a new store.
std::string DamagedNotice(const std::string& store, const std::string& aside);
// Damaged and left where it is, for the system's `error`.
std::string DamagedNotMovedNotice(const std::string& store, const std::string& error);
