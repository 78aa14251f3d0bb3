#pragma once
// The payload of a leader's wound; the score of his elimination travels in the fighting units' record.
#include <cstdint>

#include "framework/core/type_name.h"
#include "game/rules/combat/combat_records.h"

namespace vael {

// With "WoundedLeader": 1 from a casualty roll, 2 from the duel of a shock combat.
struct WoundedLeaderInfo {
    std::uint16_t amount = 0;
    std::uint16_t unitNumber = 0;
};

VAEL_TYPE_NAME(WoundedLeaderInfo, "WoundedLeaderInfo");

} // namespace vael
