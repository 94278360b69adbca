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

Failure NotForReading() {
    return {MAPI_E_NOT_SUPPORTED, "this session reads a mailbox; log on with a sending "
                                  "profile (smtp://, smtps:// or a program) to send mail"};
}

Failure NotForSending() {
    return {MAPI_E_NOT_SUPPORTED, "this session sends mail; log on with a mailbox profile "
                                  "(imap://, imaps:// or maildir:) to read mail"};
}

std::unique_ptr<MailStore> MakeStore(const Route& route, std::string password) {
    if (const auto* imap = std::get_if<ImapRoute>(&route)) {
        return MakeImapStore(*imap, std::move(password));
    }
    return MakeMaildirStore(std::get<MaildirRoute>(route));
}

} // namespace

Session::Session(std::unique_ptr<MailReader> reader) : m_reader(std::move(reader)) {}

Session::Session(std::unique_ptr<Transport> transport, Mailbox defaultSender, bool alwaysNameSender)
    : m_transport(std::move(transport)), m_defaultSender(std::move(defaultSender)),
      m_alwaysNameSender(alwaysNameSender) {}

Result<std::unique_ptr<Session>> Session::Logon(std::string_view profile, std::string password) {
    auto route = RouteOf(profile);
    if (const auto* failure = FailureOf(route)) {
        return *failure;
    }
    const auto& way = std::get<Route>(route);
    if (IsReadingRoute(way)) {
        auto reader = MailReader::Open(MakeStore(way, std::move(password)));
        if (const auto* failure = FailureOf(reader)) {
            return *failure;
        }
        return std::unique_ptr<Session>(
            new Session(std::get<std::unique_ptr<MailReader>>(std::move(reader))));
    }
    auto transport = MakeTransport(way, std::move(password));
    if (auto failure = transport->Open()) {
        return *failure;
    }
    return std::unique_ptr<Session>(new Session(std::move(transport), DefaultSenderFor(way),
                                                std::holds_alternative<SmtpRoute>(way)));
}

Status Session::Send(const MapiMessage& message) {
    if (!m_transport) {
        return NotForReading();
    }
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

Result<std::string> Session::FindNext(std::string_view seed, bool unreadOnly) {
    if (!m_reader) {
        return NotForSending();
    }
    return m_reader->FindNext(seed, unreadOnly);
}

Result<ReadMessage> Session::Read(std::string_view id, bool envelopeOnly, bool withFiles) {
    if (!m_reader) {
        return NotForSending();
    }
    return m_reader->Read(id, envelopeOnly, withFiles);
}
