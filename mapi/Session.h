#pragma once

#include "Address.h"
#include "Failure.h"
#include "MailReader.h"
#include "Transport.h"

#include <memory>
#include <mutex>
#include <string_view>

// One logon's worth of state. A sending session: the way out, kept open, and
// the sender used when a message names no originator. A reading session: the
// mailbox it reads.
class Session {
public:
    // Fails with MAPI_E_LOGIN_FAILURE (see RouteOf, Transport::Open and MailStore::Open).
    static Result<std::unique_ptr<Session>> Logon(std::string_view profile, std::string password);

    // Checks the attachments, builds the message and hands it over. Fails with the
    // codes of OpenAttachments, AddressingOf, WriteMessage and Transport::Send,
    // and with MAPI_E_NOT_SUPPORTED on a reading session.
    Status Send(const MapiMessage& message);

    // As MailReader; fail with MAPI_E_NOT_SUPPORTED on a sending session.
    Result<std::string> FindNext(std::string_view seed, bool unreadOnly);
    Result<ReadMessage> Read(std::string_view id, bool envelopeOnly, bool withFiles);

private:
    Session(std::unique_ptr<Transport> transport, Mailbox defaultSender, bool alwaysNameSender);
    explicit Session(std::unique_ptr<MailReader> reader);

    std::mutex m_sending; // one connection carries one message at a time
    std::unique_ptr<Transport> m_transport;
    Mailbox m_defaultSender;
    bool m_alwaysNameSender = false; // SMTP needs MAIL FROM; a program picks its own default
    std::unique_ptr<MailReader> m_reader;
};
