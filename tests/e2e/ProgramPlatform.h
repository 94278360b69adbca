#pragma once

// Where the program's platforms differ for a test that runs it as a process.

#include <QProcessEnvironment>

// What a scheduled job gets to run in: cron's bare PATH on Linux; a scheduled
// task's whole user environment on Windows, without which Windows programs
// do not start.
QProcessEnvironment JobEnvironment();

// True where the profile store is a file a test can damage; on Windows it
// is the registry.
bool StoreIsAFile();

// A QTemporaryDir template for a server of the Linux side that listens on
// Unix sockets in its folder, whose paths may not run long: under Wine the
// Linux side's own /tmp, not the Wine prefix.
QString ServerFolderTemplate();
