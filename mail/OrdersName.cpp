#include "OrdersName.h"

std::string OrdersName(std::string_view pattern, std::string_view game, int player) {
    std::string name;
    for (std::size_t at = 0; at < pattern.size();) {
        if (pattern.substr(at).starts_with("{game}")) {
            name += game;
            at += 6;
        } else if (pattern.substr(at).starts_with("{n}")) {
            name += std::to_string(player);
            at += 3;
        } else {
            name += pattern[at++];
        }
    }
    return name;
}
