#pragma once

#include <QtGlobal>

// How far this process's resident memory rises above where it stood when
// measuring began. One implementation per platform.
class MemoryGrowth {
public:
    // Begins measuring; false when the system does not tell.
    bool Start();
    // The peak since Start less the resident memory at Start, in KiB.
    qint64 PeakKiB() const;

private:
    qint64 m_startKiB = 0;
};
