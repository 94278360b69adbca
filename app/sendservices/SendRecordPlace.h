#pragma once

#include <QString>

// The user's send record for this program, under the name it runs as, with
// native separators: the XDG state folder on Linux, local application data
// on Windows. The file and its folders may not exist yet.
QString DefaultSendRecordPath();
