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
    if (HasScheme(text, "smtp://")) {
        return SmtpServer(text, false);
    }
    if (HasScheme(text, "smtps://")) {
        return SmtpServer(text, true);
    }
    return ProgramRouteOf(text);
}
