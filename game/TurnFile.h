#pragma once

#include "GameRecord.h"

#include <string>
#include <string_view>

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Player `number`'s turn file: directory, separator, name, ".m", number.
// Empty when the row has no address or is not selected. Nothing is trimmed.
std::string TurnFilePath(const GameRecord& game, int number);

// Where player `number`'s turn file is, whether or not the row is selected.
std::string TurnFileLocation(const GameRecord& game, int number);

// The name the recipient sees for player `number`'s turn file: "<name>.m<number>".
std::string TurnFileName(const GameRecord& game, int number);

// The further file's attachment name: what follows the last separator, the
// whole path when it has none, empty when the path ends in one.
std::string AttachmentName(std::string_view filePath);
