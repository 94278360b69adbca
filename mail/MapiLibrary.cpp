#include "MapiLibrary.h"

#include "MapiFailureTexts.h"

#include <utility>

namespace {
template <typename Function> Function Find(const SharedModule& module, const char* name) {
    return reinterpret_cast<Function>(module.Find(name));
}
} // namespace

MapiLibrary::MapiLibrary(MessageSink& sink, MailLibraryChoice choice)
    : m_sink(sink), m_choice(std::move(choice)), m_codePage(&Utf8MailCodePage()) {}

MapiLibrary::MapiLibrary(MessageSink& sink, std::string location, const MailCodePage& codePage)
    : MapiLibrary(sink, MailLibraryChoice::Fixed(std::move(location), codePage)) {}

MapiLibrary::~MapiLibrary() {
    ReleaseResolvedNames();
}

bool MapiLibrary::Bind(std::string_view profile) {
    // Names resolved by one library go back to that library, not the next.
    ReleaseResolvedNames();
    m_entryPoints = {};
    const MailLibraryPick pick = m_choice.For(profile);
    m_codePage = pick.codePage;
    const SharedModule* module = Held(pick.location);
    if (module == nullptr) {
        return false;
    }
    m_entryPoints = LookUp(*module);
    const EntryPoints& found = m_entryPoints;
    if (!found.logon || !found.resolveName || !found.sendMail || !found.logoff) {
        m_sink.ShowMessage("Mail system DLL is invalid.");
        return false;
    }
    return true;
}

const SharedModule* MapiLibrary::Held(const std::string& location) {
    const auto held = m_modules.find(location);
    if (held != m_modules.end()) {
        return held->second.get();
    }
    std::unique_ptr<SharedModule> module = SharedModule::Load(location);
    if (!module) {
        m_sink.ShowMessage("Unable to load mail system support.");
        return nullptr;
    }
    return m_modules.emplace(location, std::move(module)).first->second.get();
}

MapiLibrary::EntryPoints MapiLibrary::LookUp(const SharedModule& module) {
    EntryPoints found;
    found.logon = Find<MapiLogonFn>(module, "MAPILogon");
    found.resolveName = Find<MapiResolveNameFn>(module, "MAPIResolveName");
    found.sendMail = Find<MapiSendMailFn>(module, "MAPISendMail");
    found.logoff = Find<MapiLogoffFn>(module, "MAPILogoff");
    found.freeBuffer = Find<MapiFreeBufferFn>(module, "MAPIFreeBuffer");
    found.findNext = Find<MapiFindNextFn>(module, "MAPIFindNext");
    found.readMail = Find<MapiReadMailFn>(module, "MAPIReadMail");
    return found;
}

bool MapiLibrary::Logon(MapiUIParam owner, const std::string& profile,
                        const std::string& password) {
    const std::string encodedProfile = m_codePage->Encode(profile);
    const std::string encodedPassword = m_codePage->Encode(password);
    m_lastResult = CallLogon(owner, encodedProfile, encodedPassword, 0);
    if (m_lastResult == MAPI_E_LOGIN_FAILURE && m_logonDialogAllowed) {
        m_lastResult =
            CallLogon(owner, encodedProfile, encodedPassword, MAPI_LOGON_UI | MAPI_NEW_SESSION);
    }
    if (m_lastResult != SUCCESS_SUCCESS) {
        m_sink.ShowMessage(LogonFailureText(m_lastResult));
        return false;
    }
    return true;
}

MapiULong MapiLibrary::CallLogon(MapiUIParam owner, const std::string& profile,
                                 const std::string& password, MapiFlags flags) {
    // The call takes writable texts: it gets whole copies that live for the call.
    std::string profileCopy = profile;
    std::string passwordCopy = password;
    m_session = 0;
    return m_entryPoints.logon(owner, profileCopy.data(), passwordCopy.data(), flags, 0,
                               &m_session);
}

std::optional<MapiRecipDesc> MapiLibrary::ResolveName(MapiUIParam owner, const std::string& name) {
    std::string nameCopy = m_codePage->Encode(name);
    MapiRecipDesc* resolved = nullptr;
    m_lastResult = m_entryPoints.resolveName(m_session, owner, nameCopy.data(), 0, 0, &resolved);
    if (m_lastResult == SUCCESS_SUCCESS && resolved == nullptr) {
        // Success without a descriptor leaves nothing to address.
        m_lastResult = MAPI_E_FAILURE;
    }
    if (m_lastResult != SUCCESS_SUCCESS) {
        m_sink.ShowMessage(ResolveNameFailureText(m_lastResult, name));
        return std::nullopt;
    }
    m_resolved.push_back(resolved);
    return *resolved;
}

bool MapiLibrary::SendMail(MapiUIParam owner, MapiMessage& message) {
    m_lastResult = m_entryPoints.sendMail(m_session, owner, &message, 0, 0);
    if (m_lastResult != SUCCESS_SUCCESS) {
        m_sink.ShowMessage(SendMailFailureText(m_lastResult));
        return false;
    }
    return true;
}

MapiULong MapiLibrary::Logoff(MapiUIParam owner) {
    m_lastResult = m_entryPoints.logoff(m_session, owner, 0, 0);
    m_session = 0;
    return m_lastResult;
}

void MapiLibrary::ReleaseResolvedNames() {
    if (m_entryPoints.freeBuffer != nullptr) {
        for (MapiRecipDesc* descriptor : m_resolved) {
            m_entryPoints.freeBuffer(descriptor);
        }
    }
    m_resolved.clear();
}

std::optional<std::string> MapiLibrary::FindNext(MapiUIParam owner, const std::string& seed) {
    std::string seedCopy = seed;
    std::string found(kMapiLongMessageIdSize, '\0');
    m_lastResult =
        m_entryPoints.findNext(m_session, owner, nullptr, seed.empty() ? nullptr : seedCopy.data(),
                               MAPI_GUARANTEE_FIFO | MAPI_LONG_MSGID, 0, found.data());
    if (m_lastResult != SUCCESS_SUCCESS) {
        return std::nullopt;
    }
    found.resize(found.find('\0'));
    return found;
}

MapiMessage* MapiLibrary::ReadMail(MapiUIParam owner, const std::string& id, bool envelopeOnly) {
    std::string idCopy = id;
    MapiMessage* message = nullptr;
    const MapiFlags flags = MAPI_PEEK | (envelopeOnly ? MAPI_ENVELOPE_ONLY : 0);
    m_lastResult = m_entryPoints.readMail(m_session, owner, idCopy.data(), flags, 0, &message);
    if (m_lastResult == SUCCESS_SUCCESS && message == nullptr) {
        m_lastResult = MAPI_E_FAILURE;
    }
    return m_lastResult == SUCCESS_SUCCESS ? message : nullptr;
}

void MapiLibrary::FreeBuffer(void* buffer) {
    if (buffer != nullptr && m_entryPoints.freeBuffer != nullptr) {
        m_entryPoints.freeBuffer(buffer);
    }
}
