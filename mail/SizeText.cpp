#include "SizeText.h"

#include <array>
#include <cstdio>

std::string SizeText(std::uint64_t bytes) {
    if (bytes < 1024) {
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    }
    static constexpr std::array<const char*, 4> kUnits{"KB", "MB", "GB", "TB"};
    double size = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (size >= 1024.0 && unit + 1 < kUnits.size()) {
        size /= 1024.0;
        ++unit;
    }
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f %s", size, kUnits[unit]);
    return text.data();
}
