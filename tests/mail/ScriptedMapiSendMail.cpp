#include "ScriptedMapiState.h"

#include <type_traits>

namespace {
SeenFile See(const MapiFileDesc& file) {
    return {file.ulReserved,         file.flFlags,
            file.nPosition,          Text(file.lpszPathName),
            Text(file.lpszFileName), file.lpFileType == nullptr};
}

SeenMessage See(const MapiMessage& message) {
    SeenMessage seen;
    seen.reserved = message.ulReserved;
    seen.subject = Text(message.lpszSubject);
    seen.noteText = Text(message.lpszNoteText);
    seen.otherTextsNull = message.lpszMessageType == nullptr &&
                          message.lpszDateReceived == nullptr &&
                          message.lpszConversationID == nullptr;
    seen.flags = message.flFlags;
    if (message.lpOriginator != nullptr) {
        seen.originator = See(*message.lpOriginator);
    }
    for (MapiULong index = 0; index < message.nRecipCount; ++index) {
        seen.recipients.push_back(See(message.lpRecips[index]));
    }
    for (MapiULong index = 0; index < message.nFileCount; ++index) {
        seen.files.push_back(See(message.lpFiles[index]));
    }
    return seen;
}
} // namespace

SCRIPTED_MAPI_EXPORT MapiULong MAPISendMail(MapiSession session, MapiUIParam uiParam,
                                            MapiMessage* message, MapiFlags flags,
                                            MapiULong reserved) {
    SeenCall& call = Record("MAPISendMail");
    call.session = session;
    call.uiParam = uiParam;
    call.message = See(*message);
    call.flags = flags;
    call.reserved = reserved;
    return NextAnswer("MAPISendMail");
}

static_assert(std::is_same_v<decltype(&MAPISendMail), MapiSendMailFn>);
