#pragma once

#include "Address.h"
#include "Failure.h"
#include "Transport.h"

#include <memory>
#include <mutex>
#include <string_view>

// One logon's worth of state: the way out, kept open, and the sender used when
// a message names no originator.
class Session {
public:
    // Fails with MAPI_E_LOGIN_FAILURE (see RouteOf and Transport::Open).
    static Result<std::unique_ptr<Session>> Logon(std::string_view profile, std::string password);

    // Checks the attachments, builds the message and hands it over. Fails with the
    // codes of OpenAttachments, AddressingOf, WriteMessage and Transport::Send.
    Status Send(const MapiMessage& message);

private:
    Session(std::unique_ptr<Transport> transport, Mailbox defaultSender, bool alwaysNameSender);

    std::mutex m_sending; // one connection carries one message at a time
    std::unique_ptr<Transport> m_transport;
    Mailbox m_defaultSender;
    bool m_alwaysNameSender; // SMTP needs MAIL FROM; a program picks its own default
};
