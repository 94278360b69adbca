#pragma once

#include "ProfileStore.h"

#include <memory>

// A profile store of the test's own, empty at first and removed with this
// object: an SQLite file in a temporary folder on Linux, a key of its own
// under HKEY_CURRENT_USER\Software\Zorvel Tests on Windows. Any number of
// handles may be open on it at once, as two copies of the program would.
class TestStore {
public:
    TestStore();
    ~TestStore();
    TestStore(const TestStore&) = delete;
    TestStore& operator=(const TestStore&) = delete;

    // A new handle on the store.
    std::unique_ptr<ProfileStore> Open() const;
    // Empties the store and lifts Block(). A handle that held the store open
    // before may keep seeing the old contents (SQLite keeps its file open).
    void Clear();
    // Empties the store and keeps it from being created until Clear(): every
    // write fails meanwhile, through handles opened after this call.
    void Block();

private:
    struct Place;
    std::unique_ptr<Place> m_place;
};
