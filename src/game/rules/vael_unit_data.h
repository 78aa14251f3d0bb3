#pragma once
// The scenario's record of one unit of the battle, the part shared by fighting units and leaders.
#include <cstdint>
#include <string>

#include "framework/core/direction.h"
#include "game/rules/unit_data.h"

namespace vael {

class VaelLogicalLandscape;

struct VaelUnitData : UnitData {
    std::string name;
    std::uint16_t movementAllowance = 0;
    std::uint32_t nation = 0;
    DIRECTION facing = NoDirection;
    VaelLogicalLandscape* landscape = nullptr; // filled in by the scenario reader; not owned
};

} // namespace vael
