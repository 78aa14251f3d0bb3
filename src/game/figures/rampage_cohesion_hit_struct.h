#pragma once
// The payload of "RampageCohesionHit": how many of a unit's figures an elephant's rampage strikes down.
#include <cstdint>

#include "framework/core/type_name.h"

namespace vael {

struct RampageCohesionHitStruct {
    bool operator==(const RampageCohesionHitStruct& o) const {
        return unused == o.unused && percentage == o.percentage;
    }

    std::uint32_t unused = 0;
    // Of the unit's figures, shown as lost; the receiver takes anything above 100 as 100.
    std::int16_t percentage = 0;
};

VAEL_TYPE_NAME(RampageCohesionHitStruct, "RampageCohesionHitStruct");

} // namespace vael
