#include "LocalClock.h"

#include <ctime>

std::string LocalDateText(std::int64_t seconds) {
    const auto moment = static_cast<__time64_t>(seconds);
    std::tm local{};
    char text[32] = {};
    if (_localtime64_s(&local, &moment) != 0 ||
        std::strftime(text, sizeof text, "%Y/%m/%d %H:%M", &local) == 0) {
        return {};
    }
    return text;
}
