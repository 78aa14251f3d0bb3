#include "framework/core/logical_region.h"

namespace vael {

namespace {
constexpr std::uint32_t allSideFlags = 0x3FFFFFFFu;
}

int LogicalRegion::sideShift(std::int32_t direction) {
    switch (direction) {
    case 1:
        return 0;
    case 2:
        return 5;
    case 4:
        return 10;
    case 5:
        return 15;
    case 6:
        return 20;
    case 8:
        return 25;
    default:
        return -1;
    }
}

std::int16_t LogicalRegion::hasNeighbour(std::uint16_t hex) const {
    const int count = neighbourCount < slots ? neighbourCount : slots;
    // An empty slot names no hex, so "no hex" is nobody's neighbour.
    if (hex == none) return 0;
    for (int d = 0; d < count; ++d)
        if (neighbours[d] == hex) return 1;
    return 0;
}

std::uint32_t LogicalRegion::getSideFlag(std::int32_t direction, std::int32_t flag) const {
    const int shift = sideShift(direction);
    if (shift < 0 || flag < 0 || flag > 4) return 0;
    return (edgeFlags >> shift) & (1u << flag);
}

void LogicalRegion::setSideFlag(std::int32_t direction, std::int32_t flag, bool on) {
    const int shift = sideShift(direction);
    if (shift < 0 || flag < 0 || flag > 4) return;
    const std::uint32_t bit = 1u << (shift + flag);
    if (on)
        edgeFlags |= bit;
    else
        edgeFlags &= ~bit;
}

void LogicalRegion::clearSideFlags() {
    edgeFlags &= ~allSideFlags;
}

} // namespace vael
