#pragma once
// The scenario's record of a fighting unit that shoots or throws.
#include <cstdint>

#include "game/rules/combat/combat_unit_data.h"

namespace vael {

struct MissileCapableUnitData : CombatUnitData {
    std::uint32_t missileType = 0;
    std::int16_t value1 = 0;
    std::int16_t value2 = 0;

    // The stored missile codes 1 to 4 stand for the missile types 1, 3, 4 and 8. Any other code is
    // reported, leaves missileType as it was and fails the stream, whose following values are still
    // read from their places.
    bool Load(SuperString& stream);
    static std::uint32_t missileTypeOfCode(std::uint8_t code);
};

struct ElephantUnitData : MissileCapableUnitData {
    std::uint16_t elephantValue = 0;

    bool Load(SuperString& stream);
};

} // namespace vael
