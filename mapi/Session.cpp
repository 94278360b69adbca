#include "Session.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <vector>

namespace {

// The local user at this host, as a mail tool without a configured address uses.
Mailbox localUser() {
    std::string login = "user";
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        login = found->pw_name;
    char host[HOST_NAME_MAX + 1] = {};
    gethostname(host, sizeof host - 1);
    Mailbox mailbox{{}, login + "@" + host};
    if (!isValidAddress(mailbox.address))
        mailbox.address = login + "@localhost";
    return mailbox;
}

Mailbox defaultSenderFor(const Route& route) {
    const auto* smtp = std::get_if<SmtpRoute>(&route);
    if (smtp && isValidAddress(smtp->user))
        return {{}, smtp->user};
    return localUser();
}

} // namespace

Session::Session(std::unique_ptr<Transport> transport, Mailbox defaultSender, bool alwaysNameSender)
    : m_transport(std::move(transport)), m_defaultSender(std::move(defaultSender)),
      m_alwaysNameSender(alwaysNameSender) {}

Result<std::unique_ptr<Session>> Session::logon(std::string_view profile, std::string password) {
    auto route = routeOf(profile);
    if (const auto* failure = failureOf(route))
        return *failure;
    const auto& way = std::get<Route>(route);
    const auto* smtp = std::get_if<SmtpRoute>(&way);
    auto transport = smtp ? makeSmtpTransport(*smtp, std::move(password))
                          : makeProgramTransport(std::get<ProgramRoute>(way));
    if (auto failure = transport->open())
        return *failure;
    return std::unique_ptr<Session>(
        new Session(std::move(transport), defaultSenderFor(way), smtp != nullptr));
}

Status Session::send(const MapiMessage& message) {
    auto attachments = openAttachments(message.lpFiles, message.nFileCount);
    if (const auto* failure = failureOf(attachments))
        return *failure;
    auto addressing = addressingOf(message, m_defaultSender);
    if (const auto* failure = failureOf(addressing))
        return *failure;
    const auto& who = std::get<Addressing>(addressing);
    auto spool = SpoolFile::create();
    if (const auto* failure = failureOf(spool))
        return *failure;
    const auto& file = std::get<SpoolFile>(spool);
    const MessageContent content{who, message.lpszSubject ? message.lpszSubject : "",
                                 message.lpszNoteText ? message.lpszNoteText : "",
                                 std::get<std::vector<Attachment>>(attachments)};
    if (auto failure = writeMessage(content, m_transport->lineBreaks(), file.fd()))
        return failure;
    const bool nameSender = m_alwaysNameSender || who.originatorGiven;
    std::lock_guard lock(m_sending);
    return m_transport->send({nameSender ? who.from.address : "", who.envelopeRecipients()}, file);
}
