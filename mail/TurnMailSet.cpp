#include "TurnMailSet.h"

namespace {
// Not placed in the note text.
constexpr MapiULong kNoPosition = 0xFFFFFFFF;

MapiFileDesc FileDescriptor(Attachment& attachment) {
    MapiFileDesc file{};
    file.nPosition = kNoPosition;
    file.lpszPathName = attachment.path.data();
    file.lpszFileName = attachment.name.data();
    return file;
}
} // namespace

void TurnMailSet::SetOriginator(const MapiRecipDesc& resolved) {
    m_originator = resolved;
    m_originator->ulRecipClass = MAPI_ORIG;
}

void TurnMailSet::SetTexts(std::string_view subject, std::string_view noteText) {
    m_subject = m_codePage.Encode(subject);
    m_noteText = m_codePage.Encode(noteText);
}

void TurnMailSet::Add(const MapiRecipDesc& resolved, const std::vector<Attachment>& attachments) {
    Mail& mail = m_mails.emplace_back();
    mail.recipient = resolved;
    mail.recipient.ulRecipClass = MAPI_TO;
    for (const Attachment& attachment : attachments) {
        mail.attachments.push_back(
            {m_codePage.Encode(attachment.path), m_codePage.Encode(attachment.name)});
    }
}

MapiMessage TurnMailSet::Message(std::size_t index) {
    Mail& mail = m_mails.at(index);
    mail.files.clear();
    for (Attachment& attachment : mail.attachments) {
        mail.files.push_back(FileDescriptor(attachment));
    }
    MapiMessage message{};
    message.lpszSubject = m_subject.data();
    message.lpszNoteText = m_noteText.data();
    message.lpOriginator = m_originator ? &*m_originator : nullptr;
    message.nRecipCount = 1;
    message.lpRecips = &mail.recipient;
    message.nFileCount = static_cast<MapiULong>(mail.files.size());
    message.lpFiles = mail.files.data();
    return message;
}
