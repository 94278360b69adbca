#pragma once

#include "Address.h"
#include "MailStore.h"
#include "MessageParser.h"
#include "TempFolder.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// A message as MAPIReadMail hands it over.
struct ReadMessage {
    std::string subject;      // decoded, UTF-8
    Mailbox originator;       // decoded name, bare address
    std::string dateReceived; // "YYYY/MM/DD HH:MM", local time of arrival
    std::string messageId;    // the Message-ID header
    bool unread = false;
    bool whole = false; // note and files were read
    ReadBody body;
};

// The reading side of a session: finds messages in arrival order and reads
// them, attachments into the session's temporary folder.
class MailReader {
public:
    // Fails as MailStore::Open.
    static Result<std::unique_ptr<MailReader>> Open(std::unique_ptr<MailStore> store);

    // Fails as MailStore::NextId.
    Result<std::string> FindNext(std::string_view seed, bool unreadOnly);
    // The envelope alone, or the whole message (with `withFiles`, its
    // attachments too). Fails as MailStore::Envelope and ParseMessage.
    Result<ReadMessage> Read(std::string_view id, bool envelopeOnly, bool withFiles);

private:
    explicit MailReader(std::unique_ptr<MailStore> store) : m_store(std::move(store)) {}

    std::mutex m_reading; // one connection answers one call at a time
    std::unique_ptr<MailStore> m_store;
    TempFolder m_folder;
};
