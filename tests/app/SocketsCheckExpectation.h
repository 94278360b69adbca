#pragma once

// Runs the platform's sockets check for real and verifies what it leaves
// behind, recording a test failure when it falls short.
void VerifyPlatformSocketsCheck();
