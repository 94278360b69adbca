#include "SocketsCheckExpectation.h"

#include "SocketsCheck.h"

#include <QTest>

#include <winsock2.h>

namespace {

// How many starts of the sockets layer are not yet cleaned up: it is cleaned
// up until it refuses, then started as often again. Qt itself starts it once
// before main, so "a socket opens" would prove nothing.
int OutstandingStarts() {
    int count = 0;
    while (WSACleanup() == 0) {
        ++count;
    }
    for (int i = 0; i < count; ++i) {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    return count;
}

} // namespace

// The check passes only when version 1.1 is granted, and it keeps the layer
// started for the rest of the run: one start more than before.
void VerifyPlatformSocketsCheck() {
    const int before = OutstandingStarts();
    QVERIFY(PlatformSocketsCheck());
    QCOMPARE(OutstandingStarts(), before + 1);
}
