#include "Session.h"

#include "LocalUser.h"
#include "Programs.h"

namespace {

// The local user at this host, as a mail tool without a configured address uses.
Mailbox LocalUser() {
    const auto login = LoginName();
    Mailbox mailbox{{}, login + "@" + HostName()};
    if (!IsValidAddress(mailbox.address)) {
        mailbox.address = login + "@localhost";
    }
    return mailbox;
}

Mailbox DefaultSenderFor(const Route& route) {
    const auto* smtp = std::get_if<SmtpRoute>(&route);
    if (smtp && IsValidAddress(smtp->user)) {
        return {{}, smtp->user};
    }
    return LocalUser();
}

} // namespace

Session::Session(std::unique_ptr<Transport> transport, Mailbox defaultSender, bool alwaysNameSender)
    : m_transport(std::move(transport)), m_defaultSender(std::move(defaultSender)),
      m_alwaysNameSender(alwaysNameSender) {}

Result<std::unique_ptr<Session>> Session::Logon(std::string_view profile, std::string password) {
    auto route = RouteOf(profile);
    if (const auto* failure = FailureOf(route)) {
        return *failure;
    }
    const auto& way = std::get<Route>(route);
    auto transport = MakeTransport(way, std::move(password));
    if (auto failure = transport->Open()) {
        return *failure;
    }
    return std::unique_ptr<Session>(new Session(std::move(transport), DefaultSenderFor(way),
                                                std::holds_alternative<SmtpRoute>(way)));
}

Status Session::Send(const MapiMessage& message) {
    auto attachments = OpenAttachments(message.lpFiles, message.nFileCount);
    if (const auto* failure = FailureOf(attachments)) {
        return *failure;
    }
    auto addressing = AddressingOf(message, m_defaultSender);
    if (const auto* failure = FailureOf(addressing)) {
        return *failure;
    }
    const auto& who = std::get<Addressing>(addressing);
    auto spool = SpoolFile::Create();
    if (const auto* failure = FailureOf(spool)) {
        return *failure;
    }
    const auto& file = std::get<SpoolFile>(spool);
    const MessageContent content{who, message.lpszSubject ? message.lpszSubject : "",
                                 message.lpszNoteText ? message.lpszNoteText : "",
                                 std::get<std::vector<Attachment>>(attachments)};
    if (auto failure = WriteMessage(content, m_transport->LineBreakStyle(), file.Fd())) {
        return failure;
    }
    const bool nameSender = m_alwaysNameSender || who.originatorGiven;
    std::lock_guard lock(m_sending);
    return m_transport->Send({nameSender ? who.from.address : "", who.EnvelopeRecipients()}, file);
}
