#pragma once

#include <optional>
#include <string>
#include <string_view>

// A text as one field of a tab-separated line: backslash, tab, line feed and
// carriage return are written \\, \t, \n and \r, so the line stays one line
// and splits on tabs whatever the text holds.
std::string EscapeText(std::string_view text);
// Nullopt for a lone or unknown escape: the field was not written whole.
std::optional<std::string> UnescapeText(std::string_view field);
