#pragma once
// The scenario's record of one unit of the battle, the part shared by fighting units and leaders.
#include <cstdint>
#include <string>

#include "framework/core/direction.h"
#include "game/rules/units/unit_data.h"

namespace vael {

class SuperString;
class VaelLogicalLandscape;

struct VaelUnitData : UnitData {
    std::string name;
    std::uint16_t movementAllowance = 0;
    std::uint32_t nation = 0;
    DIRECTION facing = NoDirection;
    std::uint16_t leaderId = 0;
    VaelLogicalLandscape* landscape = nullptr; // filled in by the scenario reader; not owned

    // Reads the record's part of a scenario file. A record cut short, a nation code the game does not
    // know or a facing that names no hex corner is reported and answers false; the record then holds
    // what it held before.
    bool Load(SuperString& file);

    // The side a scenario's nation code stands for; 0 for a code that names none.
    static std::uint32_t nationOfCode(std::uint8_t code);
    static bool isFacing(std::uint32_t value);
};

} // namespace vael
