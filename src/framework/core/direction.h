#pragma once
// The eight compass directions, numbered clockwise from north, 0 for none. Six of them name the sides of
// a hex and the facings of a unit. Kept and passed as a 32-bit value, streamed as 16 bits.
#include <cstdint>

#include "framework/core/type_name.h"

namespace vael {

enum DIRECTION : std::int32_t {
    NoDirection = 0,
    North = 1,
    NorthEast = 2,
    East = 3,
    SouthEast = 4,
    South = 5,
    SouthWest = 6,
    West = 7,
    NorthWest = 8,
};

// Each step turns one eighth: 1 -> 2 -> ... -> 8 -> 1. None stays none, and a value that is not a
// direction becomes none at the first step; no steps give the direction back unchanged.
DIRECTION rotateClockwise(DIRECTION direction, std::uint8_t steps);
// Each step turns one eighth the other way: 1 -> 8 -> 7 -> ... -> 2 -> 1.
DIRECTION rotateAnticlockwise(DIRECTION direction, std::uint8_t steps);

// "North" ... "NorthWest", and "Unknown" for none or anything else.
const char* directionName(DIRECTION direction);

VAEL_TYPE_NAME(DIRECTION, "DIRECTION");

} // namespace vael
