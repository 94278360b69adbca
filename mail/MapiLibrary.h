#pragma once

#include "DispatchWindow.h"
#include "MailCodePage.h"
#include "SharedModule.h"
#include "SimpleMapi.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
inline constexpr std::string_view kMapiLibraryName = "MAPI32.DLL";
#else
// Our own provider, built next to the program.
inline constexpr std::string_view kMapiLibraryName = "libsimplemapi.so";
#endif

// Where the mail library is loaded from. Windows: the bare name for the
// system's own search. Elsewhere: `programFolder` when it holds the library
// (the build tree), else its ../lib/zorvel (an installed program), else the
// path in `programFolder`, which then fails to load: never the system's search.
std::string MapiLibraryLocation(const std::string& programFolder = SharedModule::ProgramFolder());

// The Simple MAPI binding: loads the mail library once and keeps it, opens one
// session at a time, and shows each refused call's fixed text on `sink`.
// Texts are handed over in `codePage`; the texts shown stay UTF-8.
// Every call but Bind needs a successful Bind first; every call but Logon
// needs a session.
class MapiLibrary {
public:
    explicit MapiLibrary(MessageSink& sink, std::string location = MapiLibraryLocation(),
                         const MailCodePage& codePage = SystemMailCodePage());
    ~MapiLibrary();
    MapiLibrary(const MapiLibrary&) = delete;
    MapiLibrary& operator=(const MapiLibrary&) = delete;

    // Loads the library unless held, then looks up its calls afresh.
    // Fails with "Unable to load mail system support." (nothing held, the next
    // Bind loads again) or "Mail system DLL is invalid." (the library is kept).
    bool Bind();

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

    // Hands every descriptor ResolveName received back to the library, when
    // it exports MAPIFreeBuffer. Call once the messages using them are sent.
    void ReleaseResolvedNames();

    // Off for runs with no one at the screen: a refused logon then ends there.
    void AllowLogonDialog(bool allowed) { m_logonDialogAllowed = allowed; }

    // The code the last of Logon, ResolveName, SendMail or Logoff returned.
    MapiULong LastResult() const { return m_lastResult; }
    // What the library's texts must be in.
    const MailCodePage& CodePage() const { return m_codePage; }

private:
    struct EntryPoints {
        MapiLogonFn logon = nullptr;
        MapiResolveNameFn resolveName = nullptr;
        MapiSendMailFn sendMail = nullptr;
        MapiLogoffFn logoff = nullptr;
        MapiFreeBufferFn freeBuffer = nullptr; // optional
    };

    static EntryPoints LookUp(const SharedModule& module);
    MapiULong CallLogon(MapiUIParam owner, const std::string& profile, const std::string& password,
                        MapiFlags flags);

    MessageSink& m_sink;
    std::string m_location;
    const MailCodePage& m_codePage;
    std::unique_ptr<SharedModule> m_module;
    EntryPoints m_entryPoints;
    MapiSession m_session = 0;
    MapiULong m_lastResult = SUCCESS_SUCCESS;
    bool m_logonDialogAllowed = true;
    std::vector<MapiRecipDesc*> m_resolved;
};
