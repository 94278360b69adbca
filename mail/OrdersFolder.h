#pragma once

#include "SafeFileName.h"

#include <cstdint>
#include <string>

// What became of one attachment handed to the game's folder.
struct SavedOrders {
    bool saved = false;
    std::string name; // as saved
    std::uint64_t size = 0;
    std::string sha256;  // lower-case hex
    std::string refusal; // why it was not saved
};

// The game's folder as a collection writes into it.
class OrdersFolder {
public:
    virtual ~OrdersFolder() = default;
    // Moves the mail library's temporary file `source` into `folder` as
    // `name` (already a safe, single component): never outside the folder,
    // a file of other content kept as NAME.~1~ (then ~2~, ...) first, one of
    // the same content left as it is. Over the size limit, refused.
    virtual SavedOrders Save(const std::string& source, const std::string& folder,
                             const std::string& name) = 0;
    // Removes a temporary file the mail library handed over.
    virtual void Discard(const std::string& source) = 0;
    virtual FileNameRules Rules() const = 0;
};

inline constexpr std::uint64_t kMostOrdersBytes = 64ull * 1024 * 1024;
