#include "MemoryGrowth.h"

#include <QFile>

namespace {

qint64 StatusKiB(const QByteArray& field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const auto& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ":")) {
            return line.mid(field.size() + 1).trimmed().split(' ').front().toLongLong();
        }
    }
    return -1;
}

} // namespace

// From the reset on, VmHWM tells the peak of what follows.
bool MemoryGrowth::Start() {
    m_startKiB = StatusKiB("VmRSS");
    QFile clearRefs("/proc/self/clear_refs");
    return m_startKiB >= 0 && clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

qint64 MemoryGrowth::PeakKiB() const {
    return StatusKiB("VmHWM") - m_startKiB;
}
