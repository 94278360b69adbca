#pragma once

#include <QString>

// The program file's name without its directory and extension. Only the
// file name is cut at its last ".", never a dotted folder above it.
QString ApplicationNameFromPath(const QString& programPath);

// The window program's name for a program name: the console twin
// ("zorvel-cli") shares the window's store and send record.
QString WindowProgramName(const QString& programName);
