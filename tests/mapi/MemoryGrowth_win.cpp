#include "MemoryGrowth.h"

#include <windows.h>

#include <psapi.h>

namespace {

bool Counters(PROCESS_MEMORY_COUNTERS* counters) {
    return GetProcessMemoryInfo(GetCurrentProcess(), counters, sizeof *counters) != 0;
}

} // namespace

bool MemoryGrowth::Start() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!Counters(&counters)) {
        return false;
    }
    m_startKiB = static_cast<qint64>(counters.WorkingSetSize / 1024);
    return true;
}

// Windows keeps one peak for the whole life of the process and cannot reset
// it, so this is an upper bound: whatever the test did before counts too.
qint64 MemoryGrowth::PeakKiB() const {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!Counters(&counters)) {
        return -1;
    }
    return static_cast<qint64>(counters.PeakWorkingSetSize / 1024) - m_startKiB;
}
