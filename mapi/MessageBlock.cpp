#include "MessageBlock.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Hands out room for texts behind the descriptors, in one block.
class TextArea {
public:
    explicit TextArea(char* start) : m_next(start) {}
    char* Put(const std::string& text) {
        char* at = m_next;
        std::memcpy(at, text.c_str(), text.size() + 1);
        m_next += text.size() + 1;
        return at;
    }

private:
    char* m_next;
};

// A sender without a display name is shown by address.
const std::string& ShownName(const Mailbox& mailbox) {
    return mailbox.name.empty() ? mailbox.address : mailbox.name;
}

std::size_t TextBytes(const ReadMessage& message) {
    std::size_t bytes = 0;
    for (const auto* text :
         {&message.subject, &message.dateReceived, &message.messageId,
          &ShownName(message.originator), &message.originator.address, &message.body.note}) {
        bytes += text->size() + 1;
    }
    for (const auto& file : message.body.files) {
        bytes += file.path.size() + 1 + file.name.size() + 1;
    }
    return bytes;
}

} // namespace

MapiMessage* PackMessage(const ReadMessage& message) {
    const auto fileCount = message.body.files.size();
    const auto head =
        sizeof(MapiMessage) + sizeof(MapiRecipDesc) + fileCount * sizeof(MapiFileDesc);
    auto* block = static_cast<char*>(std::calloc(1, head + TextBytes(message)));
    if (!block) {
        throw std::bad_alloc();
    }
    auto* packed = reinterpret_cast<MapiMessage*>(block);
    auto* originator = reinterpret_cast<MapiRecipDesc*>(block + sizeof(MapiMessage));
    auto* files =
        reinterpret_cast<MapiFileDesc*>(block + sizeof(MapiMessage) + sizeof(MapiRecipDesc));
    TextArea texts(block + head);
    packed->lpszSubject = texts.Put(message.subject);
    packed->lpszNoteText = message.whole ? texts.Put(message.body.note) : nullptr;
    packed->lpszDateReceived = texts.Put(message.dateReceived);
    packed->lpszConversationID = texts.Put(message.messageId);
    packed->flFlags = message.unread ? MAPI_UNREAD : 0;
    originator->ulRecipClass = MAPI_ORIG;
    originator->lpszName = texts.Put(ShownName(message.originator));
    originator->lpszAddress = texts.Put(message.originator.address);
    packed->lpOriginator = originator;
    packed->nFileCount = static_cast<MapiULong>(fileCount);
    packed->lpFiles = fileCount > 0 ? files : nullptr;
    for (std::size_t i = 0; i < fileCount; ++i) {
        files[i].nPosition = 0xFFFFFFFFu; // nowhere in the note
        files[i].lpszPathName = texts.Put(message.body.files[i].path);
        files[i].lpszFileName = texts.Put(message.body.files[i].name);
    }
    return packed;
}
