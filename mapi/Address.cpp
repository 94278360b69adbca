#include "Address.h"

#include "Text.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view kSmtpPrefix = "SMTP:";
constexpr std::size_t kMaxAddressLength = 254;
constexpr std::size_t kMaxLocalPartLength = 64;
constexpr std::size_t kMaxLabelLength = 63;

Failure Unknown(std::string_view text, std::string_view why) {
    return {MAPI_E_UNKNOWN_RECIPIENT, "'" + std::string(text) + "': " + std::string(why)};
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

std::string_view WithoutSmtpPrefix(std::string_view text) {
    return StartsWithNoCase(text, kSmtpPrefix) ? Trim(text.substr(kSmtpPrefix.size())) : text;
}

// Splits on ',' and ';' that stand outside quotes and angle brackets, the way
// address lists are separated; empty pieces are dropped.
std::vector<std::string_view> SplitList(std::string_view text) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    int angle = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c == '"' && (i == 0 || text[i - 1] != '\\')) {
            quoted = !quoted;
        } else if (!quoted && c == '<') {
            ++angle;
        } else if (!quoted && c == '>') {
            --angle;
        } else if (!quoted && angle <= 0 && (c == ',' || c == ';')) {
            const auto part = Trim(text.substr(start, i - start));
            if (!part.empty()) {
                parts.push_back(part);
            }
            start = i + 1;
        }
    }
    return parts;
}

std::size_t CountUnquoted(std::string_view text, char wanted) {
    std::size_t count = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"' && (i == 0 || text[i - 1] != '\\')) {
            quoted = !quoted;
        } else if (!quoted && text[i] == wanted) {
            ++count;
        }
    }
    return count;
}

// "a@b c@d" is two addresses typed without a separator.
bool IsSpaceSeparatedList(std::string_view text) {
    std::size_t words = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = std::min(text.find(' ', start), text.size());
        const auto word = text.substr(start, end - start);
        if (!word.empty()) {
            if (word.find('@') == std::string_view::npos) {
                return false;
            }
            ++words;
        }
        start = end + 1;
    }
    return words > 1;
}

std::string Unquote(std::string_view name) {
    if (name.size() < 2 || name.front() != '"' || name.back() != '"') {
        return std::string(name);
    }
    std::string plain;
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        if (name[i] == '\\' && i + 2 < name.size()) {
            ++i;
        }
        plain += name[i];
    }
    return plain;
}

bool IsAtext(unsigned char c) {
    return std::isalnum(c) || std::string_view("!#$%&'*+-/=?^_`{|}~").find(static_cast<char>(c)) !=
                                  std::string_view::npos;
}

bool IsDotAtom(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.' ||
        text.find("..") != std::string_view::npos) {
        return false;
    }
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == '.' || IsAtext(static_cast<unsigned char>(c)); });
}

bool IsLabel(std::string_view label) {
    return !label.empty() && label.size() <= kMaxLabelLength && label.front() != '-' &&
           label.back() != '-' && std::all_of(label.begin(), label.end(), [](char c) {
               return c == '-' || std::isalnum(static_cast<unsigned char>(c));
           });
}

bool IsIpv4Literal(std::string_view domain) {
    if (domain.size() < 9 || domain.front() != '[' || domain.back() != ']') {
        return false;
    }
    const auto inner = domain.substr(1, domain.size() - 2);
    return std::count(inner.begin(), inner.end(), '.') == 3 &&
           std::all_of(inner.begin(), inner.end(), [](char c) {
               return c == '.' || std::isdigit(static_cast<unsigned char>(c));
           });
}

bool IsDomain(std::string_view domain) {
    if (IsIpv4Literal(domain)) {
        return true;
    }
    if (domain.empty() || domain.back() == '.') {
        return false;
    }
    std::size_t start = 0;
    while (true) {
        const auto dot = domain.find('.', start);
        if (!IsLabel(domain.substr(start, dot - start))) {
            return false;
        }
        if (dot == std::string_view::npos) {
            return true;
        }
        start = dot + 1;
    }
}

Result<Mailbox> ParseSingle(std::string_view original, std::string_view text) {
    if (CountUnquoted(text, '<') > 1) {
        return Failure{MAPI_E_AMBIGUOUS_RECIPIENT,
                       "'" + std::string(original) + "' names two or more mailboxes"};
    }
    Mailbox mailbox;
    std::string_view address = text;
    const auto open = text.rfind('<');
    if (CountUnquoted(text, '<') == 1) {
        if (text.back() != '>') {
            return Unknown(original, "text after the address");
        }
        mailbox.name = Unquote(Trim(text.substr(0, open)));
        address = Trim(text.substr(open + 1, text.size() - open - 2));
    } else if (IsSpaceSeparatedList(text)) {
        return Failure{MAPI_E_AMBIGUOUS_RECIPIENT,
                       "'" + std::string(original) + "' names two or more mailboxes"};
    }
    address = WithoutSmtpPrefix(address);
    if (!IsValidAddress(address)) {
        return Unknown(original, "not an e-mail address");
    }
    mailbox.address = std::string(address);
    return mailbox;
}

Result<Mailbox> MailboxOf(const MapiRecipDesc& recipient) {
    const std::string_view name = recipient.lpszName ? recipient.lpszName : "";
    const std::string_view address =
        recipient.lpszAddress && *recipient.lpszAddress ? recipient.lpszAddress : name;
    auto parsed = ParseMailbox(address);
    if (const auto* failure = FailureOf(parsed)) {
        return Failure{MAPI_E_INVALID_RECIPS, failure->reason};
    }
    auto mailbox = std::get<Mailbox>(std::move(parsed));
    if (mailbox.name.empty() && name != address && WithoutSmtpPrefix(name) != mailbox.address) {
        mailbox.name = std::string(name);
    }
    return mailbox;
}

} // namespace

bool IsValidAddress(std::string_view address) {
    const auto at = address.rfind('@');
    if (at == std::string_view::npos || address.size() > kMaxAddressLength ||
        address.front() == '-') {
        return false;
    }
    const auto local = address.substr(0, at);
    return local.size() <= kMaxLocalPartLength && IsDotAtom(local) &&
           IsDomain(address.substr(at + 1));
}

Result<Mailbox> ParseMailbox(std::string_view text) {
    if (std::any_of(text.begin(), text.end(),
                    [](char c) { return IsControl(static_cast<unsigned char>(c)); })) {
        return Unknown("(withheld)", "control characters in a recipient");
    }
    const auto trimmed = WithoutSmtpPrefix(Trim(text));
    if (trimmed.empty()) {
        return Unknown(text, "no address given");
    }
    if (trimmed.front() == '-') {
        return Unknown(text, "an address may not begin with '-'");
    }
    const auto parts = SplitList(trimmed);
    if (parts.size() > 1) {
        return Failure{MAPI_E_AMBIGUOUS_RECIPIENT,
                       "'" + std::string(text) + "' names two or more mailboxes"};
    }
    if (parts.empty()) {
        return Unknown(text, "no address given");
    }
    return ParseSingle(text, parts.front());
}

std::vector<std::string> Addressing::EnvelopeRecipients() const {
    std::vector<std::string> recipients;
    for (const auto* list : {&to, &cc, &bcc}) {
        for (const auto& mailbox : *list) {
            recipients.push_back(mailbox.address);
        }
    }
    return recipients;
}

Result<Addressing> AddressingOf(const MapiMessage& message, const Mailbox& fallbackFrom) {
    Addressing addressing;
    addressing.from = fallbackFrom;
    const auto* originator = message.lpOriginator;
    if (originator && ((originator->lpszAddress && *originator->lpszAddress) ||
                       (originator->lpszName && *originator->lpszName))) {
        auto from = MailboxOf(*originator);
        if (const auto* failure = FailureOf(from)) {
            return Failure{failure->code, "originator " + failure->reason};
        }
        addressing.from = std::get<Mailbox>(std::move(from));
        addressing.originatorGiven = true;
    }
    if (message.nRecipCount == 0 || !message.lpRecips) {
        return Failure{MAPI_E_INVALID_RECIPS, "the message has no recipient"};
    }
    for (MapiULong i = 0; i < message.nRecipCount; ++i) {
        const auto& recipient = message.lpRecips[i];
        auto mailbox = MailboxOf(recipient);
        if (const auto* failure = FailureOf(mailbox)) {
            return Failure{failure->code, "recipient " + failure->reason};
        }
        auto* list = recipient.ulRecipClass == MAPI_TO    ? &addressing.to
                     : recipient.ulRecipClass == MAPI_CC  ? &addressing.cc
                     : recipient.ulRecipClass == MAPI_BCC ? &addressing.bcc
                                                          : nullptr;
        if (!list) {
            return Failure{MAPI_E_BAD_RECIPTYPE,
                           "recipient class " + std::to_string(recipient.ulRecipClass)};
        }
        list->push_back(std::get<Mailbox>(std::move(mailbox)));
    }
    return addressing;
}
