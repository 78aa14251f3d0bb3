#pragma once
// The scenario's record of a fighting unit that shoots or throws.
#include <cstdint>

#include "game/rules/combat_unit_data.h"

namespace vael {

struct MissileCapableUnitData : CombatUnitData {
    std::uint32_t missileType = 0;
};

} // namespace vael
