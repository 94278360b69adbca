#pragma once

#include "ProfileStore.h"

#include <string>
#include <vector>

// The list of games in section "Settings" ("GameCount" and "Game1" onwards)
// as read at one moment, inside the caller's transaction. Only the entries
// present are held, so a damaged, huge count costs nothing.
class StoredGameList {
public:
    explicit StoredGameList(ProfileStore& store);

    // "GameCount" as stored, 0 when missing; may be negative.
    int Count() const { return m_count; }
    // The non-empty entries from "Game1" to "Game<Count()>", by number.
    const std::vector<NumberedText>& Entries() const { return m_entries; }
    // Entry `index` (1-based), empty when missing.
    const std::string& Entry(int index) const;
    // The first index from 1 to Count() whose entry equals `name` exactly; 0 for none.
    int Find(const std::string& name) const;

private:
    int FirstEmpty() const;

    int m_count;
    std::vector<NumberedText> m_entries;
};
