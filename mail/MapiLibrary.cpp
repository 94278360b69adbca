#include "MapiLibrary.h"

#include "MapiFailureTexts.h"

#include <utility>

namespace {
template <typename Function> Function Find(const SharedModule& module, const char* name) {
    return reinterpret_cast<Function>(module.Find(name));
}
} // namespace

MapiLibrary::MapiLibrary(MessageSink& sink, std::string location, const MailCodePage& codePage)
    : sink_(sink), location_(std::move(location)), codePage_(codePage) {}

MapiLibrary::~MapiLibrary() {
    ReleaseResolvedNames();
}

bool MapiLibrary::Bind() {
    if (!module_) {
        module_ = SharedModule::Load(location_);
        if (!module_) {
            sink_.ShowMessage("Unable to load mail system support.");
            return false;
        }
    }
    entryPoints_ = LookUp(*module_);
    const EntryPoints& found = entryPoints_;
    if (!found.logon || !found.resolveName || !found.sendMail || !found.logoff) {
        sink_.ShowMessage("Mail system DLL is invalid.");
        return false;
    }
    return true;
}

MapiLibrary::EntryPoints MapiLibrary::LookUp(const SharedModule& module) {
    EntryPoints found;
    found.logon = Find<MapiLogonFn>(module, "MAPILogon");
    found.resolveName = Find<MapiResolveNameFn>(module, "MAPIResolveName");
    found.sendMail = Find<MapiSendMailFn>(module, "MAPISendMail");
    found.logoff = Find<MapiLogoffFn>(module, "MAPILogoff");
    found.freeBuffer = Find<MapiFreeBufferFn>(module, "MAPIFreeBuffer");
    return found;
}

bool MapiLibrary::Logon(MapiUIParam owner, const std::string& profile,
                        const std::string& password) {
    const std::string encodedProfile = codePage_.Encode(profile);
    const std::string encodedPassword = codePage_.Encode(password);
    lastResult_ = CallLogon(owner, encodedProfile, encodedPassword, 0);
    if (lastResult_ == MAPI_E_LOGIN_FAILURE && logonDialogAllowed_) {
        lastResult_ =
            CallLogon(owner, encodedProfile, encodedPassword, MAPI_LOGON_UI | MAPI_NEW_SESSION);
    }
    if (lastResult_ != SUCCESS_SUCCESS) {
        sink_.ShowMessage(LogonFailureText(lastResult_));
        return false;
    }
    return true;
}

MapiULong MapiLibrary::CallLogon(MapiUIParam owner, const std::string& profile,
                                 const std::string& password, MapiFlags flags) {
    // The call takes writable texts: it gets whole copies that live for the call.
    std::string profileCopy = profile;
    std::string passwordCopy = password;
    session_ = 0;
    return entryPoints_.logon(owner, profileCopy.data(), passwordCopy.data(), flags, 0, &session_);
}

std::optional<MapiRecipDesc> MapiLibrary::ResolveName(MapiUIParam owner, const std::string& name) {
    std::string nameCopy = codePage_.Encode(name);
    MapiRecipDesc* resolved = nullptr;
    lastResult_ = entryPoints_.resolveName(session_, owner, nameCopy.data(), 0, 0, &resolved);
    if (lastResult_ == SUCCESS_SUCCESS && resolved == nullptr) {
        // Success without a descriptor leaves nothing to address.
        lastResult_ = MAPI_E_FAILURE;
    }
    if (lastResult_ != SUCCESS_SUCCESS) {
        sink_.ShowMessage(ResolveNameFailureText(lastResult_, name));
        return std::nullopt;
    }
    resolved_.push_back(resolved);
    return *resolved;
}

bool MapiLibrary::SendMail(MapiUIParam owner, MapiMessage& message) {
    lastResult_ = entryPoints_.sendMail(session_, owner, &message, 0, 0);
    if (lastResult_ != SUCCESS_SUCCESS) {
        sink_.ShowMessage(SendMailFailureText(lastResult_));
        return false;
    }
    return true;
}

MapiULong MapiLibrary::Logoff(MapiUIParam owner) {
    lastResult_ = entryPoints_.logoff(session_, owner, 0, 0);
    session_ = 0;
    return lastResult_;
}

void MapiLibrary::ReleaseResolvedNames() {
    if (entryPoints_.freeBuffer != nullptr) {
        for (MapiRecipDesc* descriptor : resolved_) {
            entryPoints_.freeBuffer(descriptor);
        }
    }
    resolved_.clear();
}
