#pragma once

#include "SendServiceParts.h"

#include <QTemporaryDir>

// The real send services on a send record of the test's own, in a temporary
// folder removed with this object, so no test touches the user's record.
class TestSendServices {
public:
    TestSendServices();

    // Valid while this object lives.
    SendServices Services() { return m_parts.Services(); }
    // Removes the record and the run locks, as before the first run.
    void Clear();

private:
    QTemporaryDir m_folder;
    SendServiceParts m_parts;
};
