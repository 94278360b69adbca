#pragma once

// Start-up requires a sockets layer of version 1.1. Windows asks for it; on
// other platforms sockets are part of the system and the check passes.
bool PlatformSocketsCheck();
