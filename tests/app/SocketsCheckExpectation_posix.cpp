#include "SocketsCheckExpectation.h"

#include "SocketsCheck.h"

#include <QTest>

// Sockets need no starting here; the check only has to pass.
void VerifyPlatformSocketsCheck() {
    QVERIFY(PlatformSocketsCheck());
}
