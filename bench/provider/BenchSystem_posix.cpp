#include "BenchSystem.h"

#include <cstdlib>
#include <fstream>
#include <string>

// VmHWM belongs to this program image alone; getrusage would also count what
// the parent had resident when it forked us.
long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}
