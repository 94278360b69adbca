#pragma once

#include "MailCodePage.h"
#include "SharedModule.h"

#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
inline constexpr std::string_view kProviderLibraryName = "zorvel-mail.dll";
#else
inline constexpr std::string_view kProviderLibraryName = "libsimplemapi.so";
#endif

// Where our own Simple MAPI provider is loaded from, never through the
// system's search. Windows: in `programFolder`. Elsewhere: in `programFolder`
// when it holds the library (the build tree), else in its ../lib/zorvel (an
// installed program), else in `programFolder`, which then fails to load.
std::string ProviderLocation(const std::string& programFolder);

// True when `profile`, blanks around it aside, begins with smtp:// or
// smtps://, in any case: a profile that names an SMTP server.
bool NamesSmtpServer(std::string_view profile);
// The same for a mailbox our provider reads: imap://, imaps:// or maildir:.
bool NamesMailbox(std::string_view profile);

// A mail library, and the code page its texts must be in.
struct MailLibraryPick {
    std::string location;
    const MailCodePage* codePage = nullptr;
};

// Which mail library a send with a given Email Profile, or a collection from
// a given mailbox, goes through. Linux: always our provider. Windows: our
// provider for a profile that names an SMTP server or a mailbox, else the
// mail client's MAPI32.DLL through the system's search.
class MailLibraryChoice {
public:
    // The program's own choice, with `programFolder` as the folder it runs from.
    explicit MailLibraryChoice(std::string programFolder = SharedModule::ProgramFolder());
    // Always the library at `location`, in `codePage`, whatever the profile.
    static MailLibraryChoice Fixed(std::string location,
                                   const MailCodePage& codePage = Utf8MailCodePage());

    MailLibraryPick For(std::string_view profile) const;

private:
    // The platform's part of the choice.
    MailLibraryPick Choose(std::string_view profile) const;

    std::string m_programFolder;
    std::optional<MailLibraryPick> m_fixed;
};
