#pragma once

#include <string>
#include <string_view>

// What a file system refuses beyond the rules every platform shares.
struct FileNameRules {
    bool windows = false; // reserved device names; no trailing dot or space
};

// An attachment's name made safe to write into a folder: only its last path
// component, no control characters, none of / \ : * ? " < > |, not . or ..,
// at most 255 bytes cut on a character boundary, and the platform's rules.
// Empty when nothing usable is left.
std::string SafeFileName(std::string_view name, const FileNameRules& rules);
