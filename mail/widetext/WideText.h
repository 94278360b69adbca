#pragma once

// UTF-8 to and from the UTF-16 of the Windows wide-character calls.

#include <optional>
#include <string>
#include <string_view>

// Nothing when `utf8` is not valid UTF-8.
std::optional<std::wstring> WidenUtf8(std::string_view utf8);
// Invalid UTF-8 becomes U+FFFD.
std::wstring WidenUtf8Replacing(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string NarrowToUtf8(std::wstring_view wide);
