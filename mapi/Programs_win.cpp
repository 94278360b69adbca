#include "Programs.h"

// One sentence for every profile that is not a server, an empty one included:
// on Windows it is the server URL that the host has to set.
Result<Route> ProgramRouteOf(std::string_view) {
    return Failure{MAPI_E_LOGIN_FAILURE,
                   "sendmail programs and msmtp accounts are not available on Windows; use an "
                   "smtp:// or smtps:// profile"};
}

// ProgramRouteOf never makes a program route here.
std::unique_ptr<Transport> MakeTransport(const Route& route, std::string password) {
    return MakeSmtpTransport(std::get<SmtpRoute>(route), std::move(password));
}
