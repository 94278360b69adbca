#include "MapiLibrary.h"

#include <filesystem>
#include <system_error>

std::string MapiLibraryLocation(const std::string& programFolder) {
    if (!programFolder.empty()) {
        const std::filesystem::path folder(programFolder);
        for (const std::filesystem::path& candidate :
             {folder / kMapiLibraryName, (folder / ".." / "lib" / kMapiLibraryName)}) {
            std::error_code error;
            if (std::filesystem::is_regular_file(candidate, error)) {
                return candidate.lexically_normal().string();
            }
        }
    }
    return std::string(kMapiLibraryName);
}
