#include "SafeFileName.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::size_t kMostBytes = 255;
constexpr std::string_view kRefused = "/\\:*?\"<>|";

std::string_view LastComponent(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

bool IsControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7f;
}

// Cut to `most` bytes without splitting a UTF-8 sequence.
void CutToBytes(std::string& text, std::size_t most) {
    if (text.size() <= most) {
        return;
    }
    std::size_t end = most;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9, with any extension.
bool IsDeviceName(std::string_view name) {
    const std::string stem = Upper(name.substr(0, name.find('.')));
    static constexpr std::array<std::string_view, 4> kPlain{"CON", "PRN", "AUX", "NUL"};
    if (std::find(kPlain.begin(), kPlain.end(), stem) != kPlain.end()) {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

} // namespace

std::string SafeFileName(std::string_view name, const FileNameRules& rules) {
    std::string safe;
    for (const char c : LastComponent(name)) {
        if (!IsControl(static_cast<unsigned char>(c)) && kRefused.find(c) == std::string::npos) {
            safe += c;
        }
    }
    CutToBytes(safe, kMostBytes);
    if (rules.windows) {
        while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) {
            safe.pop_back();
        }
        if (IsDeviceName(safe)) {
            safe = "_" + safe;
        }
    }
    return safe == "." || safe == ".." ? std::string() : safe;
}
