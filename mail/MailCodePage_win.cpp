#include "MailCodePage.h"
#include "WideText.h"

#include <windows.h>

#include <set>

namespace {
// Stands for a text that is not UTF-8 at all, which no code page can take.
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// `usedDefault` is set when a character had no place in the code page.
std::string ToCodePage(UINT codePage, std::wstring_view wide, BOOL& usedDefault) {
    if (wide.empty()) {
        return {};
    }
    // The UTF-8 code page refuses both the flag and the default-character report.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* report = utf8 ? nullptr : &usedDefault;
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, report);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), length, nullptr, report);
    return bytes;
}

std::wstring FromCodePage(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

// Without a default character or a best-fit stand-in, and unchanged on the way back.
bool RoundTrips(UINT codePage, std::wstring_view wide) {
    BOOL usedDefault = FALSE;
    const std::string bytes = ToCodePage(codePage, wide, usedDefault);
    return !usedDefault && FromCodePage(codePage, bytes) == wide;
}

// In UTF-16 units: two for a surrogate pair, else one.
std::size_t CodePointLength(std::wstring_view wide, std::size_t index) {
    const bool pair = IS_HIGH_SURROGATE(wide[index]) && index + 1 < wide.size() &&
                      IS_LOW_SURROGATE(wide[index + 1]);
    return pair ? 2 : 1;
}

// The ANSI code page that MAPI32's calls take.
class AnsiCodePage final : public MailCodePage {
public:
    std::string Unmappable(std::string_view utf8) const override {
        const std::optional<std::wstring> wide = WidenUtf8(utf8);
        if (!wide) {
            return std::string(kReplacementCharacter);
        }
        if (RoundTrips(m_codePage, *wide)) {
            return {};
        }
        // Character by character, so each one that fails can be named.
        std::set<std::wstring> seen;
        std::string unmappable;
        for (std::size_t index = 0; index < wide->size();) {
            const std::wstring character = wide->substr(index, CodePointLength(*wide, index));
            index += character.size();
            if (!RoundTrips(m_codePage, character) && seen.insert(character).second) {
                unmappable += NarrowToUtf8(character);
            }
        }
        return unmappable;
    }

    std::string Encode(std::string_view utf8) const override {
        BOOL usedDefault = FALSE;
        return ToCodePage(m_codePage, WidenUtf8(utf8).value_or(std::wstring()), usedDefault);
    }

private:
    UINT m_codePage = GetACP();
};
} // namespace

const MailCodePage& AnsiMailCodePage() {
    static const AnsiCodePage codePage;
    return codePage;
}
