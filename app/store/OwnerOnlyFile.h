#pragma once

#include <filesystem>

// Makes sure `file` and its folder exist and are open to their owner only
// (0600 and 0700), whatever the umask. False when either cannot be created.
bool PrepareOwnerOnlyFile(const std::filesystem::path& file);
