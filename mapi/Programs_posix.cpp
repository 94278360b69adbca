#include "Programs.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
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

} // namespace

Result<Route> ProgramRouteOf(std::string_view profile) {
    if (profile.empty()) {
        return SystemSendmail();
    }
    if (profile.front() == '/') {
        return ProgramRoute{SplitOnBlanks(profile)};
    }
    if (IsAccountName(profile)) {
        return MsmtpAccount(profile);
    }
    return Refuse("profile '" + std::string(profile) +
                  "' is neither empty, a server URL, a program path nor an msmtp account");
}

std::unique_ptr<Transport> MakeTransport(const Route& route, std::string password) {
    if (const auto* smtp = std::get_if<SmtpRoute>(&route)) {
        return MakeSmtpTransport(*smtp, std::move(password));
    }
    return MakeProgramTransport(std::get<ProgramRoute>(route));
}
