#include "ScriptedMapiState.h"

#include <algorithm>
#include <type_traits>

SCRIPTED_MAPI_EXPORT MapiULong MAPIFreeBuffer(void* buffer) {
    Record("MAPIFreeBuffer").buffer = buffer;
    std::erase_if(State().issued,
                  [buffer](const auto& issued) { return &issued->descriptor == buffer; });
    return SUCCESS_SUCCESS;
}

static_assert(std::is_same_v<decltype(&MAPIFreeBuffer), MapiFreeBufferFn>);
