#pragma once
// The scenario's record of a fighting unit.
#include <cstdint>

#include "game/rules/vael_unit_data.h"

namespace vael {

struct CombatUnitData : VaelUnitData {
    std::int16_t TQ = 0;
    std::int16_t size = 0;
    std::int16_t doubleSized = 0;
};

} // namespace vael
