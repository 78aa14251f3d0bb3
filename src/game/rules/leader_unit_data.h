#pragma once
// The scenario's record of a leader: the ratings the map shows.
#include <cstdint>

#include "game/rules/vael_unit_data.h"

namespace vael {

struct LeaderUnitData : VaelUnitData {
    std::uint16_t commandRange = 0;
    std::uint16_t initiative = 0;
};

} // namespace vael
