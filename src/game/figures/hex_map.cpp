#include "game/figures/hex_map.h"

#include <initializer_list>

namespace vael {

namespace {
bool oddColumn(std::int16_t hex) {
    return (HexMap::column(hex) & 1) != 0;
}
} // namespace

std::int16_t HexMap::neighbour(std::int16_t hex, std::int32_t direction) {
    const bool odd = oddColumn(hex);
    int step = 0;
    switch (direction) {
    case 2:
        step = odd ? -100 : -101;
        break;
    case 3:
        step = -1;
        break;
    case 4:
        step = odd ? 100 : 99;
        break;
    case 6:
        step = odd ? 101 : 100;
        break;
    case 7:
        step = 1;
        break;
    case 8:
        step = odd ? -99 : -100;
        break;
    default:
        step = 0;
        break;
    }
    return static_cast<std::int16_t>(hex + step);
}

std::int32_t HexMap::directionTo(std::int16_t from, std::int16_t to) {
    const int dc = column(to) - column(from);
    const int dr = row(to) - row(from);
    const bool odd = oddColumn(from);
    const bool upper = odd ? dr == 0 : dr == -1;
    switch (dc) {
    case 0:
        return dr == -1 ? 3 : 7;
    case 1:
        return upper ? 4 : 6;
    case -1:
        return upper ? 2 : 8;
    default:
        return 3;
    }
}

bool HexMap::isAdjacent(std::int16_t from, std::int16_t to) {
    for (std::int32_t d : {2, 3, 4, 6, 7, 8})
        if (neighbour(from, d) == to) return true;
    return false;
}

} // namespace vael
