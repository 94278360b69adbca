#pragma once

#include "MailReader.h"
#include "SimpleMapi.h"

// The message in one block of memory, descriptors and texts included, so that
// one MAPIFreeBuffer releases it all. Throws std::bad_alloc.
MapiMessage* PackMessage(const ReadMessage& message);
