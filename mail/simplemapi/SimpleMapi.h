#pragma once

// Our own declarations of the published Simple MAPI records, calls, flags and
// result codes. Every ULONG/FLAGS is 32 bits on every platform; the UI
// parameter and the session handle are pointer-sized, as on 64-bit Windows.

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define ZORVEL_MAPI_CALL __stdcall
#else
#define ZORVEL_MAPI_CALL
#endif

using MapiULong = std::uint32_t;
using MapiFlags = std::uint32_t;
using MapiUIParam = std::uintptr_t;
using MapiSession = std::uintptr_t;

extern "C" {

struct MapiRecipDesc {
    MapiULong ulReserved;
    MapiULong ulRecipClass;
    char* lpszName;
    char* lpszAddress;
    MapiULong ulEIDSize;
    void* lpEntryID;
};

struct MapiFileDesc {
    MapiULong ulReserved;
    MapiFlags flFlags;
    MapiULong nPosition;
    char* lpszPathName;
    char* lpszFileName;
    void* lpFileType;
};

struct MapiMessage {
    MapiULong ulReserved;
    char* lpszSubject;
    char* lpszNoteText;
    char* lpszMessageType;
    char* lpszDateReceived;
    char* lpszConversationID;
    MapiFlags flFlags;
    MapiRecipDesc* lpOriginator;
    MapiULong nRecipCount;
    MapiRecipDesc* lpRecips;
    MapiULong nFileCount;
    MapiFileDesc* lpFiles;
};

using MapiLogonFn = MapiULong(ZORVEL_MAPI_CALL*)(MapiUIParam ulUIParam, char* lpszProfileName,
                                                 char* lpszPassword, MapiFlags flFlags,
                                                 MapiULong ulReserved, MapiSession* lplhSession);
using MapiResolveNameFn = MapiULong(ZORVEL_MAPI_CALL*)(MapiSession lhSession, MapiUIParam ulUIParam,
                                                       char* lpszName, MapiFlags flFlags,
                                                       MapiULong ulReserved,
                                                       MapiRecipDesc** lppRecip);
using MapiSendMailFn = MapiULong(ZORVEL_MAPI_CALL*)(MapiSession lhSession, MapiUIParam ulUIParam,
                                                    MapiMessage* lpMessage, MapiFlags flFlags,
                                                    MapiULong ulReserved);
using MapiLogoffFn = MapiULong(ZORVEL_MAPI_CALL*)(MapiSession lhSession, MapiUIParam ulUIParam,
                                                  MapiFlags flFlags, MapiULong ulReserved);
using MapiFreeBufferFn = MapiULong(ZORVEL_MAPI_CALL*)(void* pv);
// lpszMessageID receives the next id: room for 64 bytes, or for
// kMapiLongMessageIdSize with MAPI_LONG_MSGID.
using MapiFindNextFn = MapiULong(ZORVEL_MAPI_CALL*)(MapiSession lhSession, MapiUIParam ulUIParam,
                                                    char* lpszMessageType,
                                                    char* lpszSeedMessageID, MapiFlags flFlags,
                                                    MapiULong ulReserved, char* lpszMessageID);
using MapiReadMailFn = MapiULong(ZORVEL_MAPI_CALL*)(MapiSession lhSession, MapiUIParam ulUIParam,
                                                    char* lpszMessageID, MapiFlags flFlags,
                                                    MapiULong ulReserved,
                                                    MapiMessage** lppMessage);

} // extern "C"

// Flags.
inline constexpr MapiFlags MAPI_LOGON_UI = 0x00000001;
inline constexpr MapiFlags MAPI_NEW_SESSION = 0x00000002;
inline constexpr MapiFlags MAPI_DIALOG = 0x00000008;
inline constexpr MapiFlags MAPI_RECEIPT_REQUESTED = 0x00000002;
inline constexpr MapiFlags MAPI_OLE = 0x00000001;
inline constexpr MapiFlags MAPI_OLE_STATIC = 0x00000002;
inline constexpr MapiFlags MAPI_UNREAD_ONLY = 0x00000020;
inline constexpr MapiFlags MAPI_ENVELOPE_ONLY = 0x00000040;
inline constexpr MapiFlags MAPI_PEEK = 0x00000080;
inline constexpr MapiFlags MAPI_GUARANTEE_FIFO = 0x00000100;
inline constexpr MapiFlags MAPI_BODY_AS_FILE = 0x00000200;
inline constexpr MapiFlags MAPI_SUPPRESS_ATTACH = 0x00000800;
inline constexpr MapiFlags MAPI_LONG_MSGID = 0x00004000;
// A read message's flFlags.
inline constexpr MapiFlags MAPI_UNREAD = 0x00000001;

// The buffer MAPIFindNext fills with MAPI_LONG_MSGID, terminator included.
inline constexpr MapiULong kMapiLongMessageIdSize = 512;

// Recipient classes.
inline constexpr MapiULong MAPI_ORIG = 0;
inline constexpr MapiULong MAPI_TO = 1;
inline constexpr MapiULong MAPI_CC = 2;
inline constexpr MapiULong MAPI_BCC = 3;

// Result codes.
inline constexpr MapiULong SUCCESS_SUCCESS = 0;
inline constexpr MapiULong MAPI_USER_ABORT = 1;
inline constexpr MapiULong MAPI_E_FAILURE = 2;
inline constexpr MapiULong MAPI_E_LOGIN_FAILURE = 3;
inline constexpr MapiULong MAPI_E_DISK_FULL = 4;
inline constexpr MapiULong MAPI_E_INSUFFICIENT_MEMORY = 5;
inline constexpr MapiULong MAPI_E_ACCESS_DENIED = 6;
inline constexpr MapiULong MAPI_E_TOO_MANY_SESSIONS = 8;
inline constexpr MapiULong MAPI_E_TOO_MANY_FILES = 9;
inline constexpr MapiULong MAPI_E_TOO_MANY_RECIPIENTS = 10;
inline constexpr MapiULong MAPI_E_ATTACHMENT_NOT_FOUND = 11;
inline constexpr MapiULong MAPI_E_ATTACHMENT_OPEN_FAILURE = 12;
inline constexpr MapiULong MAPI_E_ATTACHMENT_WRITE_FAILURE = 13;
inline constexpr MapiULong MAPI_E_UNKNOWN_RECIPIENT = 14;
inline constexpr MapiULong MAPI_E_BAD_RECIPTYPE = 15;
inline constexpr MapiULong MAPI_E_NO_MESSAGES = 16;
inline constexpr MapiULong MAPI_E_INVALID_MESSAGE = 17;
inline constexpr MapiULong MAPI_E_TEXT_TOO_LARGE = 18;
inline constexpr MapiULong MAPI_E_INVALID_SESSION = 19;
inline constexpr MapiULong MAPI_E_AMBIGUOUS_RECIPIENT = 21;
inline constexpr MapiULong MAPI_E_INVALID_RECIPS = 25;
inline constexpr MapiULong MAPI_E_NOT_SUPPORTED = 26;

static_assert(sizeof(MapiULong) == 4, "ULONG fields are 32 bits on every platform");
static_assert(sizeof(MapiSession) == sizeof(void*), "the session handle is pointer-sized");
