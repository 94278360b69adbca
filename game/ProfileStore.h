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
    virtual void WriteStoreText(std::string_view section, std::string_view name,
                                std::string_view text) = 0;
    virtual void WriteStoreInt(std::string_view section, std::string_view name,
                               std::int32_t value) = 0;
};
