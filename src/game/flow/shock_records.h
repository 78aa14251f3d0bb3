#pragma once
// What a shock battle hands to the display and to the advance that follows it: the units that fought,
// how badly each was hurt, and the winners' moves into the hexes the beaten left.
#include <cstdint>

#include "framework/core/list.h"
#include "framework/core/type_name.h"

namespace vael {

class Combat;

// One unit hurt in the exchange of hits, as the battle's animation shows it.
struct MethodOfDeathStruct {
    std::int16_t percent = 0; // cohesion hits after the battle, in hundredths of the troop quality
    std::uint32_t method = 4; // 1 for shock combat
    std::int16_t unitNumber = -1;

    bool operator==(const MethodOfDeathStruct&) const = default;
};

// The data of the "UnitCombat" display command.
struct CombatInfo {
    List<short> attackers;
    List<short> defenders;
    List<MethodOfDeathStruct> deaths;
};

// A winner's move into a hex a beaten defender left; charge is 1 when the charge alone broke every
// defender.
struct CombatAdvance {
    Combat* unit = nullptr; // not owned
    std::int16_t hex = -1;
    std::uint16_t charge = 0;

    bool operator==(const CombatAdvance&) const = default;
};

// "WillCombatFit?": the four corners of the hexes a set of battles covers.
struct WillCombatFitStruct {
    std::uint16_t leastGreatest = 0xFFFF;
    std::uint16_t leastLeast = 0xFFFF;
    std::uint16_t greatestGreatest = 0xFFFF;
    std::uint16_t greatestLeast = 0xFFFF;

    bool operator==(const WillCombatFitStruct&) const = default;
};

VAEL_TYPE_NAME(MethodOfDeathStruct, "MethodOfDeathStruct");
VAEL_TYPE_NAME(CombatInfo, "CombatInfo");
VAEL_TYPE_NAME(CombatAdvance, "CombatAdvance");
VAEL_TYPE_NAME(WillCombatFitStruct, "WillCombatFitStruct");

} // namespace vael
