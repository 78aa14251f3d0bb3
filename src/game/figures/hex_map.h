#pragma once
// Hex numbers as the battle map draws them (column * 100 + row, even columns half a hex higher), with the
// hex sides numbered as screen directions 2, 3, 4, 6, 7 and 8. The rules' logical neighbours number the
// sides differently; these are the screen's and carry its name.
#include <cstdint>

namespace vael {

class HexMap {
public:
    static std::int16_t column(std::int16_t hex) { return static_cast<std::int16_t>(hex / 100); }
    static std::int16_t row(std::int16_t hex) { return static_cast<std::int16_t>(hex % 100); }
    // The hex across a screen side; any other direction answers the hex itself.
    static std::int16_t neighbour(std::int16_t hex, std::int32_t direction);
    // The screen side from one hex to the next; hexes that are not adjacent still get an answer.
    static std::int32_t directionTo(std::int16_t from, std::int16_t to);
    static bool isAdjacent(std::int16_t from, std::int16_t to);
};

} // namespace vael
