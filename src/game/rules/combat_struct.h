#pragma once
// One declared shock combat as the logical layer keeps it: the units of both sides and the hex fought
// over. The movement rules read the defenders and the hex when they work out whom a unit may still
// attack.
#include <cstdint>

#include "framework/core/list.h"

namespace vael {

class VaelUnit;

struct CombatStruct {
    List<const VaelUnit*> attackers;
    List<const VaelUnit*> defenders;
    std::uint16_t hex = 0xFFFF;

    bool operator==(const CombatStruct& o) const {
        return attackers == o.attackers && defenders == o.defenders && hex == o.hex;
    }
};

} // namespace vael
