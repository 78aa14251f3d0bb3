#include "framework/core/direction.h"

namespace vael {

namespace {
bool isCompassPoint(DIRECTION d) {
    return d >= North && d <= NorthWest;
}
} // namespace

DIRECTION rotateClockwise(DIRECTION direction, std::uint8_t steps) {
    for (unsigned i = 0; i < steps; ++i) {
        if (!isCompassPoint(direction)) return NoDirection;
        direction = direction == NorthWest ? North : static_cast<DIRECTION>(direction + 1);
    }
    return direction;
}

DIRECTION rotateAnticlockwise(DIRECTION direction, std::uint8_t steps) {
    for (unsigned i = 0; i < steps; ++i) {
        if (!isCompassPoint(direction)) return NoDirection;
        direction = direction == North ? NorthWest : static_cast<DIRECTION>(direction - 1);
    }
    return direction;
}

const char* directionName(DIRECTION direction) {
    static const char* const names[] = {"Unknown", "North",     "NorthEast", "East",     "SouthEast",
                                        "South",   "SouthWest", "West",      "NorthWest"};
    return isCompassPoint(direction) ? names[direction] : names[0];
}

} // namespace vael
