#include "Profile.h"

#include "Programs.h"
#include "Text.h"

#include <curl/curl.h>

#include <memory>

namespace {

Failure Refuse(std::string reason) {
    return {MAPI_E_LOGIN_FAILURE, std::move(reason)};
}

// A scheme with nothing after it names no server.
bool HasScheme(std::string_view text, std::string_view scheme) {
    return text.size() > scheme.size() && StartsWithNoCase(text, scheme);
}

using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

// One part of a parsed URL, or nothing when the URL has no such part.
std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK || !value) {
        return {};
    }
    std::string copy = value;
    curl_free(value);
    return copy;
}

// A server URL's parts, checked for what no profile may hold.
struct ServerUrl {
    std::string host;
    std::string port; // the scheme's default when the URL names none
    std::string user;
    std::string path; // percent-decoded
};

Result<ServerUrl> ParseServerUrl(std::string_view text) {
    UrlHandle url(curl_url(), &curl_url_cleanup);
    const std::string owned(text);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, owned.c_str(), 0) != CURLUE_OK) {
        return Refuse("'" + owned + "' is not a valid server URL");
    }
    if (!UrlPart(url.get(), CURLUPART_PASSWORD).empty()) {
        return Refuse("the server URL may not hold a password; use the Password option");
    }
    if (!UrlPart(url.get(), CURLUPART_QUERY).empty() ||
        !UrlPart(url.get(), CURLUPART_FRAGMENT).empty()) {
        return Refuse("the server URL may name only a user, a host, a port and a mailbox");
    }
    ServerUrl parts{UrlPart(url.get(), CURLUPART_HOST),
                    UrlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT),
                    UrlPart(url.get(), CURLUPART_USER, CURLU_URLDECODE),
                    UrlPart(url.get(), CURLUPART_PATH, CURLU_URLDECODE)};
    if (parts.host.empty()) {
        return Refuse("the server URL names no host");
    }
    return parts;
}

Result<Route> SmtpServer(std::string_view text, bool implicitTls) {
    auto parsed = ParseServerUrl(text);
    if (const auto* failure = FailureOf(parsed)) {
        return *failure;
    }
    const auto& parts = std::get<ServerUrl>(parsed);
    if (!parts.path.empty() && parts.path != "/") {
        return Refuse("the server URL may name only a user, a host and a port");
    }
    return SmtpRoute{std::string(implicitTls ? "smtps://" : "smtp://") + parts.host + ":" +
                         parts.port,
                     implicitTls, parts.user};
}

Result<std::string> MailboxOf(const std::string& path) {
    const auto name = path.empty() ? std::string() : path.substr(1);
    if (name.empty()) {
        return std::string("INBOX");
    }
    if (ValidUtf8(name) != name || WithoutControls(name, '_') != name) {
        return Refuse("the mailbox name in the URL is not valid text");
    }
    return name;
}

Result<Route> ImapServer(std::string_view text, bool implicitTls) {
    auto parsed = ParseServerUrl(text);
    if (const auto* failure = FailureOf(parsed)) {
        return *failure;
    }
    const auto& parts = std::get<ServerUrl>(parsed);
    if (parts.user.empty()) {
        return Refuse("the mailbox URL names no user (imap://user@host/MAILBOX)");
    }
    auto mailbox = MailboxOf(parts.path);
    if (const auto* failure = FailureOf(mailbox)) {
        return *failure;
    }
    return ImapRoute{std::string(implicitTls ? "imaps://" : "imap://") + parts.host + ":" +
                         parts.port + "/",
                     implicitTls, parts.user, std::get<std::string>(mailbox)};
}

Result<Route> MaildirFolder(std::string_view path) {
    if (Trim(path).empty()) {
        return Refuse("maildir: names no folder (maildir:/home/me/Maildir)");
    }
    return MaildirRoute{std::string(path)};
}

} // namespace

Result<Route> RouteOf(std::string_view profile) {
    const auto text = Trim(profile);
    if (HasScheme(text, "smtp://")) {
        return SmtpServer(text, false);
    }
    if (HasScheme(text, "smtps://")) {
        return SmtpServer(text, true);
    }
    if (HasScheme(text, "imap://")) {
        return ImapServer(text, false);
    }
    if (HasScheme(text, "imaps://")) {
        return ImapServer(text, true);
    }
    if (StartsWithNoCase(text, "maildir:")) {
        return MaildirFolder(text.substr(8));
    }
    return ProgramRouteOf(text);
}

bool IsReadingRoute(const Route& route) {
    return std::holds_alternative<ImapRoute>(route) || std::holds_alternative<MaildirRoute>(route);
}
