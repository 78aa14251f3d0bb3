#pragma once
// The codes every layer uses for hexes: the region directions that are a hex's six sides, and the hex
// number that stands for no hex at all (off the map, no target, no order).
#include <array>
#include <cstdint>

#include "framework/core/direction.h"

namespace vael {

// Clockwise from north; east and west are corners of a hex, not sides.
inline constexpr std::array<std::int32_t, 6> hexSides = {North, NorthEast, SouthEast,
                                                         South, SouthWest, NorthWest};

inline constexpr std::uint16_t noHex = 0xFFFF;

} // namespace vael
