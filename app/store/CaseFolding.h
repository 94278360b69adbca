#pragma once

#include <string>
#include <string_view>

// The key under which a section or value name is compared without regard to
// case, as the registry compares them. Valid UTF-8 is Unicode case-folded;
// anything else only has its ASCII letters folded, so distinct byte strings
// that are not text never meet.
std::string FoldCase(std::string_view text);
