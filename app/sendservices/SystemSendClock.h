#pragma once

#include "SendServices.h"

// The system clock, shown in local time with English month names whatever
// the user's language, like the program's other texts.
class SystemSendClock : public SendClock {
public:
    std::int64_t Now() const override;
    std::string Shown(std::int64_t utc) const override;
};
