#pragma once

// What the scripted Simple MAPI test library saw, shared by the library and
// the tests that load it. A null text is recorded as no value.

#include "SimpleMapi.h"

#include <optional>
#include <string>
#include <vector>

struct SeenRecipient {
    MapiULong reserved = 0;
    MapiULong recipClass = 0;
    std::optional<std::string> name;
    std::optional<std::string> address;
    MapiULong eidSize = 0;
    // Texts and entry id are those of a descriptor the library handed out
    // and has not been given back.
    bool libraryOwned = false;
};

struct SeenFile {
    MapiULong reserved = 0;
    MapiFlags flags = 0;
    MapiULong position = 0;
    std::optional<std::string> pathName;
    std::optional<std::string> fileName;
    bool fileTypeNull = false;
};

struct SeenMessage {
    MapiULong reserved = 0;
    std::optional<std::string> subject;
    std::optional<std::string> noteText;
    // Message type, date received and conversation id.
    bool otherTextsNull = false;
    MapiFlags flags = 0;
    std::optional<SeenRecipient> originator;
    std::vector<SeenRecipient> recipients;
    std::vector<SeenFile> files;
};

// One step of the timeline: a call into the library with its arguments, or a
// note that the test's window left.
struct SeenCall {
    std::string what;
    MapiUIParam uiParam = 0;
    MapiSession session = 0;
    MapiFlags flags = 0;
    MapiULong reserved = 0;
    std::optional<std::string> profile;
    std::optional<std::string> password;
    std::optional<std::string> name;
    std::optional<SeenMessage> message;
    // The descriptor MAPIResolveName handed out, or the buffer MAPIFreeBuffer got back.
    const void* buffer = nullptr;
};

// Control calls the library exports next to the Simple MAPI ones.
extern "C" {
using ScriptedMapiResetFn = void (*)();
// The next answer of `call`; calls answer 0 once their queue is empty.
using ScriptedMapiQueueFn = void (*)(const char* call, MapiULong code);
using ScriptedMapiNoteFn = void (*)(const char* note);
using ScriptedMapiCallsFn = const std::vector<SeenCall>* (*)();
}
