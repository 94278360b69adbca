#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The per-user store of named sections holding named texts and 32-bit
// integers. A missing or unreadable value reads as the default given.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual std::string ReadStoreText(std::string_view section, std::string_view name,
                                      std::string_view defaultText) = 0;
    virtual std::int32_t ReadStoreInt(std::string_view section, std::string_view name,
                                      std::int32_t defaultValue) = 0;
    // The texts of "<prefix>1", "<prefix>2", ... up to "<prefix><last>", in that
    // order, missing ones empty. The result may stop early: whatever follows
    // its end is empty too. Equal to reading them one by one, only faster.
    virtual std::vector<std::string>
    ReadStoreTextSeries(std::string_view section, std::string_view prefix, std::int32_t last) {
        std::vector<std::string> texts;
        for (std::int32_t number = 1; number <= last; ++number) {
            texts.push_back(
                ReadStoreText(section, std::string(prefix) + std::to_string(number), ""));
        }
        return texts;
    }
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
