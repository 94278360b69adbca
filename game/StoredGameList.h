#pragma once

#include "ProfileStore.h"

#include <string>
#include <vector>

// The list of games in section "Settings" ("GameCount" and "Game1" onwards)
// as read at one moment, inside the caller's transaction.
class StoredGameList {
public:
    explicit StoredGameList(ProfileStore& store);

    // "GameCount" as stored, 0 when missing; may be negative.
    int Count() const { return m_count; }
    // The entries from "Game1" on, at most Count() of them; all past the end are empty.
    const std::vector<std::string>& Entries() const { return m_entries; }
    // Entry `index` (1-based), empty when missing.
    const std::string& Entry(int index) const;
    // The first index from 1 to Count() whose entry equals `name` exactly; 0 for none.
    int Find(const std::string& name) const;

private:
    int m_count;
    std::vector<std::string> m_entries;
};
