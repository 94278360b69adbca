#include "MapiLibrary.h"

#include <filesystem>
#include <system_error>

// The provider is private to the program, so the system's library search is
// never asked: a library of that name there may belong to something else.
// An unknown program folder (no /proc) leaves a path that loads nothing.
std::string MapiLibraryLocation(const std::string& programFolder) {
    const std::filesystem::path folder(programFolder.empty() ? "/" : programFolder);
    const std::filesystem::path beside = folder / kMapiLibraryName;
    const std::filesystem::path installed = folder / ".." / "lib" / "zorvel" / kMapiLibraryName;
    std::error_code error;
    if (!programFolder.empty() && !std::filesystem::is_regular_file(beside, error) &&
        std::filesystem::is_regular_file(installed, error)) {
        return installed.lexically_normal().string();
    }
    return beside.lexically_normal().string();
}
