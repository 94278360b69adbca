#include "MailLibraryChoice.h"

#include <filesystem>
#include <system_error>

// The provider is private to the program, so the system's library search is
// never asked: a library of that name there may belong to something else.
// An unknown program folder (no /proc) leaves a path that loads nothing.
std::string ProviderLocation(const std::string& programFolder) {
    const std::filesystem::path folder(programFolder.empty() ? "/" : programFolder);
    const std::filesystem::path beside = folder / kProviderLibraryName;
    const std::filesystem::path installed = folder / ".." / "lib" / "zorvel" / kProviderLibraryName;
    std::error_code error;
    if (!programFolder.empty() && !std::filesystem::is_regular_file(beside, error) &&
        std::filesystem::is_regular_file(installed, error)) {
        return installed.lexically_normal().string();
    }
    return beside.lexically_normal().string();
}

// Linux has no mail client's library: every profile goes through our provider.
MailLibraryPick MailLibraryChoice::Choose(std::string_view) const {
    return {ProviderLocation(m_programFolder), &Utf8MailCodePage()};
}
