#include "MailLibraryChoice.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char wanted, char seen) {
               return std::tolower(static_cast<unsigned char>(seen)) == wanted;
           });
}
} // namespace

namespace {
// The blanks the provider itself trims from a profile.
std::string_view Trimmed(std::string_view profile) {
    const std::size_t first = profile.find_first_not_of(" \t");
    return first == std::string_view::npos ? "" : profile.substr(first);
}
} // namespace

bool NamesSmtpServer(std::string_view profile) {
    const std::string_view text = Trimmed(profile);
    return StartsWithNoCase(text, "smtp://") || StartsWithNoCase(text, "smtps://");
}

bool NamesMailbox(std::string_view profile) {
    const std::string_view text = Trimmed(profile);
    return StartsWithNoCase(text, "imap://") || StartsWithNoCase(text, "imaps://") ||
           StartsWithNoCase(text, "maildir:");
}

MailLibraryChoice::MailLibraryChoice(std::string programFolder)
    : m_programFolder(std::move(programFolder)) {}

MailLibraryChoice MailLibraryChoice::Fixed(std::string location, const MailCodePage& codePage) {
    MailLibraryChoice choice{std::string()};
    choice.m_fixed = MailLibraryPick{std::move(location), &codePage};
    return choice;
}

MailLibraryPick MailLibraryChoice::For(std::string_view profile) const {
    return m_fixed ? *m_fixed : Choose(profile);
}
