#pragma once

#include "SendServices.h"

// Turn files as the file system shows them; paths are UTF-8. A symbolic link
// stands for the file it leads to.
class FileProbe : public TurnFileProbe {
public:
    FileFacts Inspect(const std::string& path) override;
    // Nullopt when it is no regular file, cannot be opened or a read fails.
    std::optional<std::string> Sha256(const std::string& path) override;
};
