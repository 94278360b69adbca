#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One numbered value of a series, "<prefix><number>".
struct NumberedText {
    std::int32_t number = 0;
    std::string text;

    bool operator==(const NumberedText&) const = default;
};

// What the host should know about the store since it was opened.
struct OpeningNotice {
    // Empty when nothing.
    std::string text;
    // Damage was found only after the store had been read from: what was read
    // is not in the store now (a new one, or none when the file could not be
    // moved aside).
    bool damageFoundAfterReading = false;
};

// The per-user store of named sections holding named texts and 32-bit
// integers. A missing or unreadable value reads as the default given.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual std::string ReadStoreText(std::string_view section, std::string_view name,
                                      std::string_view defaultText) = 0;
    virtual std::int32_t ReadStoreInt(std::string_view section, std::string_view name,
                                      std::int32_t defaultValue) = 0;
    // The non-empty texts of "<prefix>1" up to "<prefix><last>", by ascending
    // number: equal to reading them one by one. This default does just that, so
    // its work grows with `last`; a store that can list its values overrides it
    // to cost no more than the values present, however large `last` is.
    virtual std::vector<NumberedText>
    ReadStoreTextSeries(std::string_view section, std::string_view prefix, std::int32_t last) {
        std::vector<NumberedText> texts;
        for (std::int64_t number = 1; number <= last; ++number) {
            const auto value = static_cast<std::int32_t>(number);
            std::string text =
                ReadStoreText(section, std::string(prefix) + std::to_string(value), "");
            if (!text.empty()) {
                texts.push_back({value, std::move(text)});
            }
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

    // Reads between BeginReading and the matching EndReading never wait for
    // another copy's transaction and, where the store can, see it at one moment.
    // Inside a transaction they are part of it; no transaction begins inside them.
    virtual void BeginReading() {}
    virtual void EndReading() {}

    // True when a write has been lost since the previous call.
    virtual bool TakeWriteFailure() = 0;

    // What the host should know about the store since it was opened (it is
    // read-only, it was damaged and replaced...), once. May wait for a check
    // of the store that its opening left running.
    virtual OpeningNotice TakeOpeningNotice() { return {}; }
};
