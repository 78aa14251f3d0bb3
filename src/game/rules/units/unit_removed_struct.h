#pragma once
// Payload of "UnitRemoved": the unit that leaves the map, by its component id, and the hexes it stood on.
#include <cstdint>

#include "framework/core/type_name.h"

namespace vael {

struct UnitRemovedStruct {
    std::uint16_t unitId = 0;
    std::uint16_t hex = 0;
    std::int16_t secondHex = -1;

    bool operator==(const UnitRemovedStruct& o) const {
        return unitId == o.unitId && hex == o.hex && secondHex == o.secondHex;
    }
};

VAEL_TYPE_NAME(UnitRemovedStruct, "UnitRemovedStruct");

} // namespace vael
