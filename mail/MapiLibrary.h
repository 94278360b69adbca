#pragma once

#include "DispatchWindow.h"
#include "MailCodePage.h"
#include "MailLibraryChoice.h"
#include "SharedModule.h"
#include "SimpleMapi.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The Simple MAPI binding: at each Bind picks the mail library for the Email
// Profile and loads it unless held (each stays loaded for the program's life),
// opens one session at a time, and shows each refused call's fixed text on
// `sink`. Texts are handed over in the picked library's code page; the texts
// shown stay UTF-8. Every call but Bind needs a successful Bind first; every
// call but Logon needs a session.
class MapiLibrary {
public:
    explicit MapiLibrary(MessageSink& sink, MailLibraryChoice choice = MailLibraryChoice());
    // Always the library at `location`, whatever the profile.
    MapiLibrary(MessageSink& sink, std::string location,
                const MailCodePage& codePage = Utf8MailCodePage());
    ~MapiLibrary();
    MapiLibrary(const MapiLibrary&) = delete;
    MapiLibrary& operator=(const MapiLibrary&) = delete;

    // Picks the library `profile` is sent through, loads it unless held, then
    // looks up its calls afresh. Fails with "Unable to load mail system
    // support." (nothing held, the next Bind loads again) or "Mail system DLL
    // is invalid." (the library is kept).
    bool Bind(std::string_view profile);

    // Tries once more with the logon dialog allowed when the first answer is
    // a login failure, unless dialogs are not allowed. Fails with the logon
    // text for LastResult().
    bool Logon(MapiUIParam owner, const std::string& profile, const std::string& password);

    // A copy of the library's descriptor for `name`; its texts stay the
    // library's until ReleaseResolvedNames. Fails with the resolution text.
    std::optional<MapiRecipDesc> ResolveName(MapiUIParam owner, const std::string& name);

    // Sends without any dialog. Fails with the sending text for LastResult().
    bool SendMail(MapiUIParam owner, MapiMessage& message);

    // Shows nothing; returns the library's code.
    MapiULong Logoff(MapiUIParam owner);

    // Whether the bound library can read a mailbox: its reading calls are
    // optional, since a sending-only library is still whole for sending.
    bool CanRead() const { return m_entryPoints.findNext && m_entryPoints.readMail; }
    // The id of the message after `seed` (from the first with an empty one),
    // oldest first. Nullopt at the end (LastResult() MAPI_E_NO_MESSAGES) or
    // on a failure; shows nothing.
    std::optional<std::string> FindNext(MapiUIParam owner, const std::string& seed);
    // The message as the library gives it, never marked read; null on a
    // failure (LastResult() says which). Hand it back with FreeBuffer.
    MapiMessage* ReadMail(MapiUIParam owner, const std::string& id, bool envelopeOnly);
    void FreeBuffer(void* buffer);

    // Hands every descriptor ResolveName received back to the library, when
    // it exports MAPIFreeBuffer. Call once the messages using them are sent.
    void ReleaseResolvedNames();

    // Off for runs with no one at the screen: a refused logon then ends there.
    void AllowLogonDialog(bool allowed) { m_logonDialogAllowed = allowed; }

    // The code the last of Logon, ResolveName, SendMail or Logoff returned.
    MapiULong LastResult() const { return m_lastResult; }
    // What the bound library's texts must be in.
    const MailCodePage& CodePage() const { return *m_codePage; }
    // What they will be in once `profile` is bound: for checks before loading.
    const MailCodePage& CodePageFor(std::string_view profile) const {
        return *m_choice.For(profile).codePage;
    }

private:
    struct EntryPoints {
        MapiLogonFn logon = nullptr;
        MapiResolveNameFn resolveName = nullptr;
        MapiSendMailFn sendMail = nullptr;
        MapiLogoffFn logoff = nullptr;
        MapiFreeBufferFn freeBuffer = nullptr; // optional
        MapiFindNextFn findNext = nullptr;     // optional
        MapiReadMailFn readMail = nullptr;     // optional
    };

    static EntryPoints LookUp(const SharedModule& module);
    // Null after saying so when the library at `location` cannot be loaded.
    const SharedModule* Held(const std::string& location);
    MapiULong CallLogon(MapiUIParam owner, const std::string& profile, const std::string& password,
                        MapiFlags flags);

    MessageSink& m_sink;
    MailLibraryChoice m_choice;
    const MailCodePage* m_codePage;
    std::map<std::string, std::unique_ptr<SharedModule>> m_modules; // by location
    EntryPoints m_entryPoints;
    MapiSession m_session = 0;
    MapiULong m_lastResult = SUCCESS_SUCCESS;
    bool m_logonDialogAllowed = true;
    std::vector<MapiRecipDesc*> m_resolved;
};
