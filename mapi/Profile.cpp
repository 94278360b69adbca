#include "Profile.h"

#include "Text.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Failure Refuse(std::string reason) {
    return {MAPI_E_LOGIN_FAILURE, std::move(reason)};
}

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::string FindOnPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        const auto colon = std::min(dirs.find(':'), dirs.size());
        const auto dir = dirs.substr(0, colon);
        dirs.remove_prefix(std::min(colon + 1, dirs.size()));
        if (dir.empty()) {
            continue;
        }
        auto candidate = std::string(dir) + "/" + std::string(name);
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
    }
    return {};
}

// A scheme with nothing after it names no server.
bool HasScheme(std::string_view text, std::string_view scheme) {
    return text.size() > scheme.size() && StartsWithNoCase(text, scheme);
}

Result<Route> SystemSendmail() {
    for (const char* path : {"/usr/sbin/sendmail", "/usr/lib/sendmail"}) {
        if (IsExecutableFile(path)) {
            return ProgramRoute{{path}};
        }
    }
    auto found = FindOnPath("sendmail");
    if (found.empty()) {
        return Refuse("no sendmail program is installed");
    }
    return ProgramRoute{{found}};
}

std::vector<std::string> SplitOnBlanks(std::string_view text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = std::min(text.find_first_of(" \t", start), text.size());
        if (end > start) {
            words.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

bool IsAccountName(std::string_view word) {
    return !word.empty() && word.front() != '-' && word.front() != '.' &&
           std::all_of(word.begin(), word.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' ||
                      c == '-';
           });
}

Result<Route> MsmtpAccount(std::string_view account) {
    auto msmtp = FindOnPath("msmtp");
    if (msmtp.empty()) {
        return Refuse("profile '" + std::string(account) +
                      "' names an msmtp account, but msmtp is not installed");
    }
    return ProgramRoute{{msmtp, "-a", std::string(account)}};
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

Result<Route> SmtpServer(std::string_view text, bool implicitTls) {
    UrlHandle url(curl_url(), &curl_url_cleanup);
    const std::string owned(text);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, owned.c_str(), 0) != CURLUE_OK) {
        return Refuse("'" + owned + "' is not a valid server URL");
    }
    if (!UrlPart(url.get(), CURLUPART_PASSWORD).empty()) {
        return Refuse("the server URL may not hold a password; use the Password option");
    }
    const auto path = UrlPart(url.get(), CURLUPART_PATH);
    if ((!path.empty() && path != "/") || !UrlPart(url.get(), CURLUPART_QUERY).empty() ||
        !UrlPart(url.get(), CURLUPART_FRAGMENT).empty()) {
        return Refuse("the server URL may name only a user, a host and a port");
    }
    const auto host = UrlPart(url.get(), CURLUPART_HOST);
    if (host.empty()) {
        return Refuse("the server URL names no host");
    }
    SmtpRoute route;
    route.implicitTls = implicitTls;
    route.user = UrlPart(url.get(), CURLUPART_USER, CURLU_URLDECODE);
    route.url = std::string(implicitTls ? "smtps://" : "smtp://") + host + ":" +
                UrlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    return route;
}

} // namespace

Result<Route> RouteOf(std::string_view profile) {
    const auto text = Trim(profile);
    if (text.empty()) {
        return SystemSendmail();
    }
    if (HasScheme(text, "smtp://")) {
        return SmtpServer(text, false);
    }
    if (HasScheme(text, "smtps://")) {
        return SmtpServer(text, true);
    }
    if (text.front() == '/') {
        return ProgramRoute{SplitOnBlanks(text)};
    }
    if (IsAccountName(text)) {
        return MsmtpAccount(text);
    }
    return Refuse("profile '" + std::string(text) +
                  "' is neither empty, a server URL, a program path nor an msmtp account");
}
