#pragma once

#include "ScriptedMapiRecord.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#define SCRIPTED_MAPI_EXPORT extern "C" __attribute__((visibility("default")))

// A descriptor handed out by MAPIResolveName, with the texts it points at.
struct IssuedRecipient {
    MapiRecipDesc descriptor{};
    std::string name;
    std::string address;
    unsigned char entryId[4] = {0xE1, 0xE2, 0xE3, 0xE4};
};

struct ScriptedState {
    std::vector<SeenCall> calls;
    std::map<std::string, std::deque<MapiULong>> answers;
    std::vector<std::unique_ptr<IssuedRecipient>> issued;
    MapiSession lastSession = 0x5E55;
};

ScriptedState& State();
SeenCall& Record(const char* what);
MapiULong NextAnswer(const char* call);
std::optional<std::string> Text(const char* text);
SeenRecipient See(const MapiRecipDesc& recipient);
