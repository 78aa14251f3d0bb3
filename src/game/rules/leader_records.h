#pragma once
// The payloads that leaders send about themselves: the wound of a leader and the score of an eliminated
// unit.
#include <cstdint>

#include "framework/core/type_name.h"

namespace vael {

// With "WoundedLeader": 1 from a casualty roll, 2 from the duel of a shock combat.
struct WoundedLeaderInfo {
    std::uint16_t amount = 0;
    std::uint16_t unitNumber = 0;
};

// With "UnitEliminated": the losing side, the points it loses and the unit.
struct EliminateUnitData {
    std::uint32_t nation = 0;
    std::uint16_t points = 0;
    std::int32_t unused = -1;
    std::uint16_t unitNumber = 0;
};

VAEL_TYPE_NAME(WoundedLeaderInfo, "WoundedLeaderInfo");
VAEL_TYPE_NAME(EliminateUnitData, "EliminateUnitData");

} // namespace vael
