#pragma once
// One declared shock combat as the logical layer keeps it: the units of both sides, the leaders among
// them, which attackers charged, and the hex fought over. The movement rules read the defenders and the
// hex when they work out whom a unit may still attack.
#include <cstdint>

#include "framework/core/list.h"

namespace vael {

class Leader;
class VaelUnit;

struct CombatStruct {
    List<const VaelUnit*> attackers;
    List<const VaelUnit*> defenders;
    List<Leader*> attackingLeaders;
    List<Leader*> defendingLeaders;
    // One per attacker, in the same order: 1 when it spent movement before it attacked.
    List<short> moved;
    std::uint16_t hex = 0xFFFF;

    bool operator==(const CombatStruct& o) const {
        return attackers == o.attackers && defenders == o.defenders &&
               attackingLeaders == o.attackingLeaders && defendingLeaders == o.defendingLeaders &&
               moved == o.moved && hex == o.hex;
    }
};

} // namespace vael
