#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The per-user store of named sections holding named texts and 32-bit
// integers. A missing or unreadable value reads as the default given.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual std::string ReadStoreText(std::string_view section, std::string_view name,
                                      std::string_view defaultText) = 0;
    virtual std::int32_t ReadStoreInt(std::string_view section, std::string_view name,
                                      std::int32_t defaultValue) = 0;
    // A failed write is remembered for TakeWriteFailure, never shown.
    virtual void WriteStoreText(std::string_view section, std::string_view name,
                                std::string_view text) = 0;
    virtual void WriteStoreInt(std::string_view section, std::string_view name,
                               std::int32_t value) = 0;

    // Everything between BeginTransaction and the matching EndTransaction is one
    // unit: on disk as a whole when EndTransaction returns, or not at all. Pairs
    // nest; only the outermost pair commits. A failed commit counts as a failed write.
    virtual void BeginTransaction() = 0;
    virtual void EndTransaction() = 0;

    // True when a write has been lost since the previous call.
    virtual bool TakeWriteFailure() = 0;
};
