// The five exported Simple MAPI calls. Everything else in this library is hidden.

#include "Address.h"
#include "Session.h"

#include <curl/curl.h>
#include <gmime/gmime.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <type_traits>

// ELF: visible by attribute (the version script keeps everything else in);
// Windows: exported by the .def file.
#ifdef _WIN32
#define ZORVEL_MAPI_EXPORT extern "C"
#else
#define ZORVEL_MAPI_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Published code for a session handle that this library did not hand out.
constexpr MapiULong kInvalidSession = 19;

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        g_mime_init();
    });
}

MapiULong Report(const char* call, const Failure& failure) {
    std::fprintf(stderr, "simplemapi: %s failed with code %u: %s\n", call,
                 static_cast<unsigned>(failure.code), failure.reason.c_str());
    return failure.code;
}

// Runs one call; no exception ever crosses into the caller.
template <class Body> MapiULong Guarded(const char* call, Body&& body) {
    try {
        InitialiseOnce();
        return body();
    } catch (const std::bad_alloc&) {
        return Report(call, {MAPI_E_INSUFFICIENT_MEMORY, "out of memory"});
    } catch (const std::exception& error) {
        return Report(call, {MAPI_E_FAILURE, error.what()});
    }
}

// Session handles are small numbers, so a stale or made-up one is refused, never followed.
class SessionTable {
public:
    MapiSession Add(std::shared_ptr<Session> session) {
        std::lock_guard lock(m_mutex);
        const auto handle = ++m_last;
        m_sessions.emplace(handle, std::move(session));
        return handle;
    }
    std::shared_ptr<Session> Find(MapiSession handle) {
        std::lock_guard lock(m_mutex);
        const auto found = m_sessions.find(handle);
        return found == m_sessions.end() ? nullptr : found->second;
    }
    // The session itself: ending it may wait for the server's goodbye, which
    // must not hold up the table.
    std::shared_ptr<Session> Take(MapiSession handle) {
        std::lock_guard lock(m_mutex);
        const auto found = m_sessions.find(handle);
        if (found == m_sessions.end()) {
            return nullptr;
        }
        auto session = std::move(found->second);
        m_sessions.erase(found);
        return session;
    }

private:
    std::mutex m_mutex;
    std::map<MapiSession, std::shared_ptr<Session>> m_sessions;
    MapiSession m_last = 0;
};

// Buffers handed out by MAPIResolveName; MAPIFreeBuffer frees only these.
class BufferRegistry {
public:
    void Add(void* buffer) {
        std::lock_guard lock(m_mutex);
        m_buffers.insert(buffer);
    }
    bool Remove(void* buffer) {
        std::lock_guard lock(m_mutex);
        return m_buffers.erase(buffer) == 1;
    }

private:
    std::mutex m_mutex;
    std::set<void*> m_buffers;
};

SessionTable& Sessions() {
    static SessionTable table;
    return table;
}

BufferRegistry& Buffers() {
    static BufferRegistry registry;
    return registry;
}

// One block holds the descriptor and its two strings, so one free releases all.
MapiRecipDesc* NewDescriptor(const Mailbox& mailbox) {
    const std::string name = mailbox.name.empty() ? mailbox.address : mailbox.name;
    const std::string address = "SMTP:" + mailbox.address;
    const auto size = sizeof(MapiRecipDesc) + name.size() + 1 + address.size() + 1;
    auto* block = static_cast<char*>(std::calloc(1, size));
    if (!block) {
        throw std::bad_alloc();
    }
    auto* descriptor = reinterpret_cast<MapiRecipDesc*>(block);
    descriptor->ulRecipClass = MAPI_TO;
    descriptor->lpszName = block + sizeof(MapiRecipDesc);
    std::memcpy(descriptor->lpszName, name.c_str(), name.size() + 1);
    descriptor->lpszAddress = descriptor->lpszName + name.size() + 1;
    std::memcpy(descriptor->lpszAddress, address.c_str(), address.size() + 1);
    Buffers().Add(block);
    return descriptor;
}

} // namespace

ZORVEL_MAPI_EXPORT MapiULong ZORVEL_MAPI_CALL MAPILogon(MapiUIParam, char* lpszProfileName,
                                                        char* lpszPassword, MapiFlags, MapiULong,
                                                        MapiSession* lplhSession) {
    return Guarded("MAPILogon", [&]() -> MapiULong {
        if (!lplhSession) {
            return Report("MAPILogon", {MAPI_E_FAILURE, "no place for the session handle"});
        }
        *lplhSession = 0;
        auto session = Session::Logon(lpszProfileName ? lpszProfileName : "",
                                      lpszPassword ? lpszPassword : "");
        if (const auto* failure = FailureOf(session)) {
            return Report("MAPILogon", *failure);
        }
        *lplhSession = Sessions().Add(std::get<std::unique_ptr<Session>>(std::move(session)));
        return SUCCESS_SUCCESS;
    });
}

ZORVEL_MAPI_EXPORT MapiULong ZORVEL_MAPI_CALL MAPIResolveName(MapiSession lhSession, MapiUIParam,
                                                              char* lpszName, MapiFlags, MapiULong,
                                                              MapiRecipDesc** lppRecip) {
    return Guarded("MAPIResolveName", [&]() -> MapiULong {
        if (!lppRecip) {
            return Report("MAPIResolveName", {MAPI_E_FAILURE, "no place for the descriptor"});
        }
        *lppRecip = nullptr;
        if (!Sessions().Find(lhSession)) {
            return Report("MAPIResolveName", {kInvalidSession, "not a session of ours"});
        }
        auto mailbox = ParseMailbox(lpszName ? lpszName : "");
        if (const auto* failure = FailureOf(mailbox)) {
            return Report("MAPIResolveName", *failure);
        }
        *lppRecip = NewDescriptor(std::get<Mailbox>(mailbox));
        return SUCCESS_SUCCESS;
    });
}

ZORVEL_MAPI_EXPORT MapiULong ZORVEL_MAPI_CALL MAPISendMail(MapiSession lhSession, MapiUIParam,
                                                           MapiMessage* lpMessage, MapiFlags,
                                                           MapiULong) {
    return Guarded("MAPISendMail", [&]() -> MapiULong {
        const auto session = Sessions().Find(lhSession);
        if (!session) {
            return Report("MAPISendMail", {kInvalidSession, "not a session of ours"});
        }
        if (!lpMessage) {
            return Report("MAPISendMail", {MAPI_E_FAILURE, "no message given"});
        }
        if (auto failure = session->Send(*lpMessage)) {
            return Report("MAPISendMail", *failure);
        }
        return SUCCESS_SUCCESS;
    });
}

ZORVEL_MAPI_EXPORT MapiULong ZORVEL_MAPI_CALL MAPILogoff(MapiSession lhSession, MapiUIParam,
                                                         MapiFlags, MapiULong) {
    return Guarded("MAPILogoff", [&]() -> MapiULong {
        if (!Sessions().Take(lhSession)) {
            return Report("MAPILogoff", {kInvalidSession, "not a session of ours"});
        }
        return SUCCESS_SUCCESS;
    });
}

ZORVEL_MAPI_EXPORT MapiULong ZORVEL_MAPI_CALL MAPIFreeBuffer(void* pv) {
    return Guarded("MAPIFreeBuffer", [&]() -> MapiULong {
        if (!pv) {
            return SUCCESS_SUCCESS;
        }
        if (!Buffers().Remove(pv)) {
            return Report("MAPIFreeBuffer", {MAPI_E_FAILURE, "not a buffer of ours"});
        }
        std::free(pv);
        return SUCCESS_SUCCESS;
    });
}

static_assert(std::is_same_v<decltype(&MAPILogon), MapiLogonFn>);
static_assert(std::is_same_v<decltype(&MAPIResolveName), MapiResolveNameFn>);
static_assert(std::is_same_v<decltype(&MAPISendMail), MapiSendMailFn>);
static_assert(std::is_same_v<decltype(&MAPILogoff), MapiLogoffFn>);
static_assert(std::is_same_v<decltype(&MAPIFreeBuffer), MapiFreeBufferFn>);
