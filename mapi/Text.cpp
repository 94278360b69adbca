#include "Text.h"

#include <glib.h>

#include <algorithm>
#include <cctype>
#include <memory>

std::string ValidUtf8(std::string_view text) {
    std::unique_ptr<gchar, decltype(&g_free)> valid(
        g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())), &g_free);
    return valid.get();
}

std::string WithoutControls(std::string_view text, char replacement) {
    std::string clean(text);
    for (auto& c : clean) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = replacement;
        }
    }
    return clean;
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) ==
                      std::toupper(static_cast<unsigned char>(b));
           });
}

std::string WithUnixLineBreaks(std::string_view text) {
    std::string unix;
    unix.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            unix += text[i];
        } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
            unix += '\n';
        }
    }
    return unix;
}
