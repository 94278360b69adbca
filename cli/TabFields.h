#pragma once

#include <string>
#include <string_view>
#include <vector>

// One line of tab-separated fields, with tab, line feed and backslash inside
// a field written as \t, \n and \\, so any name reads back whole.
std::string TabLine(const std::vector<std::string>& fields);
std::string EscapeField(std::string_view field);
