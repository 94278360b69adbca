#pragma once

#include <QIcon>

// Icon 128: the program icon, 32x32 and 16x16.
QIcon ProgramIcon();
