#pragma once

#include <cstdint>
#include <string>

// A moment (seconds since 1970, UTC) as this computer's local time, in the
// form Simple MAPI gives a date received: "YYYY/MM/DD HH:MM". One
// implementation per platform.
std::string LocalDateText(std::int64_t seconds);
