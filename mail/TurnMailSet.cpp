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
    originator_ = resolved;
    originator_->ulRecipClass = MAPI_ORIG;
}

void TurnMailSet::SetTexts(std::string_view subject, std::string_view noteText) {
    subject_ = codePage_.Encode(subject);
    noteText_ = codePage_.Encode(noteText);
}

void TurnMailSet::Add(const MapiRecipDesc& resolved, const std::vector<Attachment>& attachments) {
    Mail& mail = mails_.emplace_back();
    mail.recipient = resolved;
    mail.recipient.ulRecipClass = MAPI_TO;
    for (const Attachment& attachment : attachments) {
        mail.attachments.push_back(
            {codePage_.Encode(attachment.path), codePage_.Encode(attachment.name)});
    }
}

MapiMessage TurnMailSet::Message(std::size_t index) {
    Mail& mail = mails_.at(index);
    mail.files.clear();
    for (Attachment& attachment : mail.attachments) {
        mail.files.push_back(FileDescriptor(attachment));
    }
    MapiMessage message{};
    message.lpszSubject = subject_.data();
    message.lpszNoteText = noteText_.data();
    message.lpOriginator = originator_ ? &*originator_ : nullptr;
    message.nRecipCount = 1;
    message.lpRecips = &mail.recipient;
    message.nFileCount = static_cast<MapiULong>(mail.files.size());
    message.lpFiles = mail.files.data();
    return message;
}
