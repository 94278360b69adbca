#pragma once

#include <string>
#include <string_view>
#include <vector>

// One line of tab-separated fields, each escaped as EscapeText escapes it, so
// any name reads back whole.
std::string TabLine(const std::vector<std::string>& fields);
