#include "MailReader.h"

#include "HeaderFields.h"
#include "LocalClock.h"
#include "Text.h"

Result<std::unique_ptr<MailReader>> MailReader::Open(std::unique_ptr<MailStore> store) {
    if (auto failure = store->Open()) {
        return *failure;
    }
    return std::unique_ptr<MailReader>(new MailReader(std::move(store)));
}

Result<std::string> MailReader::FindNext(std::string_view seed, bool unreadOnly) {
    std::lock_guard lock(m_reading);
    return m_store->NextId(seed, unreadOnly);
}

Result<ReadMessage> MailReader::Read(std::string_view id, bool envelopeOnly, bool withFiles) {
    std::lock_guard lock(m_reading);
    auto stored = m_store->Envelope(id);
    if (const auto* failure = FailureOf(stored)) {
        return *failure;
    }
    const auto& envelope = std::get<StoredEnvelope>(stored);
    ReadMessage message{DecodedHeaderText(envelope.subject),
                        DecodedSender(envelope.from),
                        LocalDateText(envelope.arrived),
                        WithoutControls(ValidUtf8(envelope.messageId), ' '),
                        !envelope.seen,
                        !envelopeOnly,
                        {}};
    if (envelopeOnly) {
        return message;
    }
    auto opened = m_store->OpenMessage(id);
    if (const auto* failure = FailureOf(opened)) {
        return *failure;
    }
    auto body = ParseMessage(std::get<int>(opened), m_folder, withFiles);
    if (const auto* failure = FailureOf(body)) {
        return *failure;
    }
    message.body = std::get<ReadBody>(std::move(body));
    return message;
}
