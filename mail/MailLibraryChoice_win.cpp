#include "MailLibraryChoice.h"

namespace {
constexpr std::string_view kMailClientLibraryName = "MAPI32.DLL";
} // namespace

// By its full path: a library of that name on the system's search path is
// not ours. An unknown program folder leaves the drive's root, still no search.
std::string ProviderLocation(const std::string& programFolder) {
    return programFolder + "\\" + std::string(kProviderLibraryName);
}

// MAPI32.DLL by bare name: the system's search finds the mail client's own,
// and a copy anywhere else is not the one the system means.
MailLibraryPick MailLibraryChoice::Choose(std::string_view profile) const {
    if (NamesSmtpServer(profile) || NamesMailbox(profile)) {
        return {ProviderLocation(m_programFolder), &Utf8MailCodePage()};
    }
    return {std::string(kMailClientLibraryName), &AnsiMailCodePage()};
}
