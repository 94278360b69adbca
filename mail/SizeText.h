#pragma once

#include <cstdint>
#include <string>

// A file size as the host reads it: "812 bytes", "4.0 KB", "1.2 MB", "3.1 GB".
std::string SizeText(std::uint64_t bytes);
