#include "ScriptedMapiState.h"

#include <type_traits>

ScriptedState& State() {
    static ScriptedState state;
    return state;
}

SeenCall& Record(const char* what) {
    SeenCall& call = State().calls.emplace_back();
    call.what = what;
    return call;
}

MapiULong NextAnswer(const char* call) {
    std::deque<MapiULong>& queue = State().answers[call];
    if (queue.empty()) {
        return SUCCESS_SUCCESS;
    }
    const MapiULong code = queue.front();
    queue.pop_front();
    return code;
}

std::optional<std::string> Text(const char* text) {
    return text == nullptr ? std::nullopt : std::optional<std::string>(text);
}

SeenRecipient See(const MapiRecipDesc& recipient) {
    SeenRecipient seen{recipient.ulReserved,     recipient.ulRecipClass,
                       Text(recipient.lpszName), Text(recipient.lpszAddress),
                       recipient.ulEIDSize,      false};
    for (const auto& issued : State().issued) {
        const MapiRecipDesc& own = issued->descriptor;
        seen.libraryOwned = seen.libraryOwned || (own.lpszName == recipient.lpszName &&
                                                  own.lpszAddress == recipient.lpszAddress &&
                                                  own.lpEntryID == recipient.lpEntryID);
    }
    return seen;
}

SCRIPTED_MAPI_EXPORT MapiULong MAPILogon(MapiUIParam uiParam, char* profile, char* password,
                                         MapiFlags flags, MapiULong reserved,
                                         MapiSession* session) {
    SeenCall& call = Record("MAPILogon");
    call.uiParam = uiParam;
    call.profile = Text(profile);
    call.password = Text(password);
    call.flags = flags;
    call.reserved = reserved;
    const MapiULong code = NextAnswer("MAPILogon");
    if (code == SUCCESS_SUCCESS) {
        *session = ++State().lastSession;
        call.session = *session;
    }
    return code;
}

SCRIPTED_MAPI_EXPORT MapiULong MAPIResolveName(MapiSession session, MapiUIParam uiParam, char* name,
                                               MapiFlags flags, MapiULong reserved,
                                               MapiRecipDesc** recipient) {
    SeenCall& call = Record("MAPIResolveName");
    call.session = session;
    call.uiParam = uiParam;
    call.name = Text(name);
    call.flags = flags;
    call.reserved = reserved;
    const MapiULong code = NextAnswer("MAPIResolveName");
    const bool withhold = NextAnswer("MAPIResolveName withholds the descriptor") != 0;
    if (code != SUCCESS_SUCCESS || withhold) {
        return code;
    }
    auto issued = std::make_unique<IssuedRecipient>();
    issued->name = "Resolved " + *call.name;
    issued->address = "SMTP:" + *call.name;
    // A class the caller must replace, and an entry id it must copy.
    issued->descriptor = {0,
                          MAPI_BCC,
                          issued->name.data(),
                          issued->address.data(),
                          sizeof issued->entryId,
                          issued->entryId};
    *recipient = &issued->descriptor;
    call.buffer = *recipient;
    State().issued.push_back(std::move(issued));
    return code;
}

SCRIPTED_MAPI_EXPORT MapiULong MAPILogoff(MapiSession session, MapiUIParam uiParam, MapiFlags flags,
                                          MapiULong reserved) {
    SeenCall& call = Record("MAPILogoff");
    call.session = session;
    call.uiParam = uiParam;
    call.flags = flags;
    call.reserved = reserved;
    return NextAnswer("MAPILogoff");
}

static_assert(std::is_same_v<decltype(&MAPILogon), MapiLogonFn>);
static_assert(std::is_same_v<decltype(&MAPIResolveName), MapiResolveNameFn>);
static_assert(std::is_same_v<decltype(&MAPILogoff), MapiLogoffFn>);

SCRIPTED_MAPI_EXPORT void ScriptedMapiReset() {
    State().calls.clear();
    State().answers.clear();
    State().issued.clear();
}

SCRIPTED_MAPI_EXPORT void ScriptedMapiQueue(const char* call, MapiULong code) {
    State().answers[call].push_back(code);
}

SCRIPTED_MAPI_EXPORT void ScriptedMapiNote(const char* note) {
    Record(note);
}

SCRIPTED_MAPI_EXPORT const std::vector<SeenCall>* ScriptedMapiCalls() {
    return &State().calls;
}
