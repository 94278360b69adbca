#pragma once

#include <string>
#include <string_view>

// The name a game's "Orders Name" pattern gives player `player`'s orders:
// {game} becomes the game's name and {n} his number; the rest stays.
std::string OrdersName(std::string_view pattern, std::string_view game, int player);
