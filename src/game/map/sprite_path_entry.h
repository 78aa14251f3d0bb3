#pragma once
// The query for a moving unit's pixel path and its answer: where the sprite stands in each hex it
// crosses, and the way points it passes.
#include <cstdint>

#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/core/type_name.h"

namespace vael {

struct RegionPathInfo {
    // The sprite's place relative to the centre of each hex it crosses, and of the last one.
    Point offset{0, 0};
    Point finalOffset{0, 0};
    List<short> hexes;
};

struct SpritePathEntry {
    Point position{0, 0};
    std::int16_t hex = 0;
    std::uint32_t direction = 0;
    float rate = 1.0f;
    // A way point is where it is, for whichever hex: the direction and rate ride along.
    bool operator==(const SpritePathEntry& other) const {
        return position == other.position && hex == other.hex;
    }
};

VAEL_TYPE_NAME(RegionPathInfo, "RegionPathInfo");
VAEL_TYPE_NAME(SpritePathEntry, "SpritePathEntry");

} // namespace vael
