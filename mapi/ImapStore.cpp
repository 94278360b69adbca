#include "HeaderFields.h"
#include "ImapConnection.h"
#include "LocalFile.h"
#include "MailStore.h"
#include "Secrets.h"
#include "SpoolFile.h"

#include <curl/curl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

namespace {

constexpr long kConnectTimeoutSeconds = 20;
constexpr long kReplyTimeoutSeconds = 30;
constexpr const char* kEnvelopeItems =
    "(UID INTERNALDATE RFC822.SIZE FLAGS BODY.PEEK[HEADER.FIELDS (FROM SUBJECT DATE MESSAGE-ID)])";

// Why the server refused the logon, from libcurl's protocol trace, with every
// trace of the password hidden.
class LogonTrace {
public:
    LogonTrace(std::string_view user, std::string_view password) : m_secrets(user, password) {}
    void Heard(std::string_view lines);
    const std::string& Refusal() const { return m_refusal; }

private:
    Secrets m_secrets;
    std::string m_refusal;
};

void LogonTrace::Heard(std::string_view lines) {
    while (!lines.empty() && (lines.back() == '\n' || lines.back() == '\r')) {
        lines.remove_suffix(1);
    }
    const auto words = lines.substr(lines.find(' ') + 1);
    if (words.substr(0, 3) == "NO " || words.substr(0, 4) == "BAD " ||
        words.substr(0, 4) == "BYE ") {
        m_refusal = m_secrets.Hide(lines);
    }
}

int TraceLogon(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    if (type == CURLINFO_HEADER_IN) {
        static_cast<LogonTrace*>(user)->Heard({data, size});
    }
    return 0;
}

// Non-ASCII mailbox names travel as IMAP's modified UTF-7: printable ASCII as
// itself ('&' as "&-"), everything else as base64 of UTF-16 between '&' and '-'.
std::u16string Utf16Of(std::string_view utf8) {
    std::u16string wide;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            wide += static_cast<char16_t>(0xD800 + (code >> 10));
            wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide += static_cast<char16_t>(code);
        }
    }
    return wide;
}

std::string ModifiedBase64(const std::u16string& run) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (const char16_t unit : run) {
        for (const unsigned byte : {static_cast<unsigned>(unit >> 8), unit & 0xFFu}) {
            bits = (bits << 8) | byte;
            for (count += 8; count >= 6; count -= 6) {
                out += kAlphabet[(bits >> (count - 6)) & 0x3F];
            }
        }
    }
    if (count > 0) {
        out += kAlphabet[(bits << (6 - count)) & 0x3F];
    }
    return out;
}

std::string WireMailboxName(std::string_view utf8) {
    std::string wire;
    std::u16string run;
    const auto wide = Utf16Of(utf8);
    for (std::size_t i = 0; i <= wide.size(); ++i) {
        const bool printable = i < wide.size() && wide[i] >= 0x20 && wide[i] < 0x7F;
        if ((printable || i == wide.size()) && !run.empty()) {
            wire += "&" + ModifiedBase64(run) + "-";
            run.clear();
        }
        if (i == wide.size()) {
            break;
        }
        if (!printable) {
            run += wide[i];
        } else {
            wire +=
                wide[i] == u'&' ? std::string("&-") : std::string(1, static_cast<char>(wide[i]));
        }
    }
    return wire;
}

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

// "17-Jul-1996 02:44:25 -0700" as seconds since 1970, UTC; 0 when unreadable.
std::int64_t SecondsOfInternalDate(const std::string& text) {
    int day = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int zone = 0;
    char month[4] = {};
    if (std::sscanf(text.c_str(), " %d-%3c-%d %d:%d:%d %d", &day, month, &year, &hour, &minute,
                    &second, &zone) != 7) {
        return 0;
    }
    static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const auto at = kMonths.find(std::string_view(month, 3));
    if (at == std::string_view::npos || at % 3 != 0) {
        return 0;
    }
    // Days from the civil date (proleptic Gregorian), March-based years.
    const int m = static_cast<int>(at / 3) + 1;
    const int y = year - (m <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    const int offset = (zone / 100 * 60 + zone % 100) * 60;
    return days * 86400 + hour * 3600 + minute * 60 + second - offset;
}

struct ListedMessage {
    std::uint32_t uid = 0;
    StoredEnvelope envelope;
};

ListedMessage ListedOf(const std::vector<ImapNode>& attributes) {
    ListedMessage listed;
    for (std::size_t i = 0; i + 1 < attributes.size(); i += 2) {
        const auto& key = attributes[i];
        const auto& value = attributes[i + 1];
        if (IsAtom(key, "UID")) {
            listed.uid = static_cast<std::uint32_t>(std::strtoul(value.text.c_str(), nullptr, 10));
        } else if (IsAtom(key, "FLAGS")) {
            for (const auto& flag : value.items) {
                listed.envelope.seen = listed.envelope.seen || IsAtom(flag, "\\Seen");
            }
        } else if (IsAtom(key, "INTERNALDATE")) {
            listed.envelope.arrived = SecondsOfInternalDate(value.text);
        } else if (key.text.rfind("BODY[HEADER.FIELDS", 0) == 0) {
            const auto fields = PickHeaderFields(value.text);
            listed.envelope.from = fields.from;
            listed.envelope.subject = fields.subject;
            listed.envelope.messageId = fields.messageId;
        }
    }
    return listed;
}

// "[UIDVALIDITY 42]" → 42.
std::optional<std::uint32_t> CodeNumber(const std::vector<ImapNode>& reply, std::string_view code) {
    for (const auto& node : reply) {
        if (node.kind == ImapNode::Kind::Atom && node.text.size() > code.size() + 2 &&
            node.text.compare(1, code.size(), code) == 0 && node.text[0] == '[') {
            return static_cast<std::uint32_t>(
                std::strtoul(node.text.c_str() + code.size() + 1, nullptr, 10));
        }
    }
    return std::nullopt;
}

// A number of 1 to 2^32-1, nothing else.
std::optional<std::uint32_t> NumberOf(std::string_view text) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != text.npos) {
        return std::nullopt;
    }
    const auto value = std::strtoull(std::string(text).c_str(), nullptr, 10);
    if (value == 0 || value > 0xFFFFFFFFULL) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

struct MessageKey {
    std::uint32_t uidValidity = 0;
    std::uint32_t uid = 0;
};

// "<UIDVALIDITY>:<UID>"
std::optional<MessageKey> KeyOf(std::string_view id) {
    const auto colon = id.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto validity = NumberOf(id.substr(0, colon));
    const auto uid = NumberOf(id.substr(colon + 1));
    if (!validity || !uid) {
        return std::nullopt;
    }
    return MessageKey{*validity, *uid};
}

class ImapStore final : public MailStore {
public:
    ImapStore(ImapRoute route, std::string password)
        : m_route(std::move(route)), m_password(std::move(password)),
          m_trace(m_route.user, m_password), m_curl(curl_easy_init()),
          m_connection(m_curl, m_route.url) {}
    ~ImapStore() override;
    ImapStore(const ImapStore&) = delete;
    ImapStore& operator=(const ImapStore&) = delete;

    Status Open() override;
    Result<std::string> NextId(std::string_view seed, bool unreadOnly) override;
    Result<StoredEnvelope> Envelope(std::string_view id) override;
    Result<int> OpenMessage(std::string_view id) override;

private:
    void Configure();
    Failure LogonFailure(CURLcode code) const;
    Status Examine();
    Status Load(std::uint32_t first, std::optional<std::uint32_t> last);
    Result<std::uint32_t> UidOf(std::string_view id);
    Failure NoSuchMessage(std::string_view id) const;

    ImapRoute m_route;
    std::string m_password;
    LogonTrace m_trace;
    CURL* m_curl;
    ImapConnection m_connection;
    char m_error[CURL_ERROR_SIZE] = {};
    bool m_connected = false;
    std::uint32_t m_uidValidity = 0;
    std::uint32_t m_uidNext = 0;
    std::map<std::uint32_t, StoredEnvelope> m_envelopes; // by UID: arrival order
    std::uint32_t m_loadedFrom = 0; // every message from this UID on is listed; 0: none
};

ImapStore::~ImapStore() {
    if (m_connected) {
        m_connection.Close();
    }
    curl_easy_cleanup(m_curl);
}

void ImapStore::Configure() {
    curl_easy_setopt(m_curl, CURLOPT_URL, m_route.url.c_str());
    curl_easy_setopt(m_curl, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_error);
    curl_easy_setopt(m_curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(m_curl, CURLOPT_DEBUGFUNCTION, &TraceLogon);
    curl_easy_setopt(m_curl, CURLOPT_DEBUGDATA, &m_trace);
    // Bounds greeting, TLS and logon together: a server that never greets
    // (a plain client on a TLS port) fails here.
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(m_curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, kReplyTimeoutSeconds);
    curl_easy_setopt(m_curl, CURLOPT_TCP_KEEPALIVE, 1L);
    if (const char* bundle = std::getenv("SSL_CERT_FILE"); bundle && *bundle) {
        curl_easy_setopt(m_curl, CURLOPT_CAINFO, bundle);
    }
    // The password never crosses an unencrypted connection, even to a server
    // that would take it (one on this computer may).
    curl_easy_setopt(m_curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(m_curl, CURLOPT_USERNAME, m_route.user.c_str());
    curl_easy_setopt(m_curl, CURLOPT_PASSWORD, m_password.c_str());
}

Failure ImapStore::LogonFailure(CURLcode code) const {
    if (code == CURLE_USE_SSL_FAILED) {
        return {MAPI_E_LOGIN_FAILURE, m_route.url +
                                          ": the server offers no STARTTLS, and the password "
                                          "is never sent unencrypted"};
    }
    std::string text = m_error[0] ? m_error : curl_easy_strerror(code);
    if (!m_trace.Refusal().empty()) {
        text += " (server: " + m_trace.Refusal() + ")";
    }
    return {MAPI_E_LOGIN_FAILURE, m_route.url + ": " + text};
}

Status ImapStore::Open() {
    if (!m_curl) {
        return Failure{MAPI_E_INSUFFICIENT_MEMORY, "cannot start libcurl"};
    }
    Configure();
    const auto code = curl_easy_perform(m_curl);
    if (code != CURLE_OK) {
        return LogonFailure(code);
    }
    m_connected = true;
    curl_easy_setopt(m_curl, CURLOPT_VERBOSE, 0L);
    return Examine();
}

// EXAMINE, never SELECT: the mailbox is opened read-only, so nothing we send
// can change a flag, and the server moves no new message.
Status ImapStore::Examine() {
    std::optional<std::uint32_t> validity;
    std::optional<std::uint32_t> next;
    const auto examined = m_connection.Command(
        "EXAMINE " + Quoted(WireMailboxName(m_route.mailbox)),
        [&](const std::vector<ImapNode>& reply) {
            validity = CodeNumber(reply, "UIDVALIDITY ").value_or(validity.value_or(0));
            next = CodeNumber(reply, "UIDNEXT ").value_or(next.value_or(0));
        });
    if (const auto* failure = FailureOf(examined)) {
        return Failure{MAPI_E_LOGIN_FAILURE, "the mailbox '" + m_route.mailbox +
                                                 "' cannot be opened: " + failure->reason};
    }
    if (!validity || *validity == 0) {
        return Failure{MAPI_E_LOGIN_FAILURE, m_route.url +
                                                 ": the server gave no UIDVALIDITY for '" +
                                                 m_route.mailbox + "'"};
    }
    m_uidValidity = *validity;
    m_uidNext = next.value_or(0);
    return std::nullopt;
}

// One FETCH for the whole range: 10,000 envelopes are one round trip.
// "n:*" answers with the last message even when n is beyond it, hence the filter.
Status ImapStore::Load(std::uint32_t first, std::optional<std::uint32_t> last) {
    const auto range = std::to_string(first) + ":" + (last ? std::to_string(*last) : "*");
    const auto fetched = m_connection.Command(
        "UID FETCH " + range + " " + kEnvelopeItems, [&](const std::vector<ImapNode>& reply) {
            if (reply.size() < 4 || !IsAtom(reply[2], "FETCH") ||
                reply[3].kind != ImapNode::Kind::List) {
                return;
            }
            auto listed = ListedOf(reply[3].items);
            if (listed.uid >= first && (!last || listed.uid <= *last)) {
                m_envelopes[listed.uid] = std::move(listed.envelope);
            }
        });
    if (const auto* failure = FailureOf(fetched)) {
        return *failure;
    }
    return std::nullopt;
}

Result<std::string> ImapStore::NextId(std::string_view seed, bool unreadOnly) {
    std::uint32_t first = 1;
    if (!seed.empty()) {
        const auto key = KeyOf(seed);
        if (!key) {
            return Failure{MAPI_E_INVALID_MESSAGE,
                           "'" + std::string(seed) + "' is no message id of this mailbox"};
        }
        if (key->uidValidity == m_uidValidity && key->uid == UINT32_MAX) {
            return Failure{MAPI_E_NO_MESSAGES, "no more messages"};
        }
        // Another UIDVALIDITY: the server renumbered the mailbox; start afresh.
        first = key->uidValidity == m_uidValidity ? key->uid + 1 : 1;
    }
    const bool listed = m_loadedFrom != 0 && first >= m_loadedFrom;
    if (!listed && (m_uidNext == 0 || first < m_uidNext)) {
        std::optional<std::uint32_t> last;
        if (m_loadedFrom != 0) {
            last = m_loadedFrom - 1;
        }
        if (auto failure = Load(first, last)) {
            return *failure;
        }
        m_loadedFrom = first;
    }
    for (auto at = m_envelopes.lower_bound(first); at != m_envelopes.end(); ++at) {
        if (!unreadOnly || !at->second.seen) {
            return std::to_string(m_uidValidity) + ":" + std::to_string(at->first);
        }
    }
    return Failure{MAPI_E_NO_MESSAGES, "no more messages"};
}

Failure ImapStore::NoSuchMessage(std::string_view id) const {
    return {MAPI_E_INVALID_MESSAGE,
            "'" + std::string(id) + "' names no message in '" + m_route.mailbox + "'"};
}

Result<std::uint32_t> ImapStore::UidOf(std::string_view id) {
    const auto key = KeyOf(id);
    if (!key || key->uidValidity != m_uidValidity) {
        return NoSuchMessage(id);
    }
    if (m_envelopes.count(key->uid) == 0 && (m_loadedFrom == 0 || key->uid < m_loadedFrom)) {
        if (auto failure = Load(key->uid, key->uid)) {
            return *failure;
        }
    }
    if (m_envelopes.count(key->uid) == 0) {
        return NoSuchMessage(id);
    }
    return key->uid;
}

Result<StoredEnvelope> ImapStore::Envelope(std::string_view id) {
    const auto uid = UidOf(id);
    if (const auto* failure = FailureOf(uid)) {
        return *failure;
    }
    return m_envelopes.at(std::get<std::uint32_t>(uid));
}

// Into a temporary file first: the parser needs to seek, and a message of any
// size then costs no memory.
Result<int> ImapStore::OpenMessage(std::string_view id) {
    const auto uid = UidOf(id);
    if (const auto* failure = FailureOf(uid)) {
        return *failure;
    }
    auto created = CreateTemporaryFile();
    if (const auto* reason = std::get_if<std::string>(&created)) {
        return Failure{MAPI_E_DISK_FULL, *reason};
    }
    const int fd = std::get<int>(created);
    const auto fetched = m_connection.FetchInto(
        "UID FETCH " + std::to_string(std::get<std::uint32_t>(uid)) + " BODY.PEEK[]", fd);
    const auto* failure = FailureOf(fetched);
    if (failure || !std::get<bool>(fetched) || SeekToStart(fd)) {
        CloseFile(fd);
        return failure ? *failure : NoSuchMessage(id);
    }
    return fd;
}

} // namespace

std::unique_ptr<MailStore> MakeImapStore(const ImapRoute& route, std::string password) {
    return std::make_unique<ImapStore>(route, std::move(password));
}
