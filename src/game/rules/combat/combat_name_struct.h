#pragma once
// The shock a fighting unit declares: who attacks, the enemy units and leaders in its zone of control,
// whether it had moved first, and the hex the combat is fought over. The logical layer forms the combat
// from it.
#include <cstdint>

#include "framework/core/list.h"
#include "framework/core/type_name.h"

namespace vael {

struct CombatNameStruct {
    std::uint16_t attacker = 0xFFFF;
    List<unsigned short> defenders;
    // Carried for the receivers; the declaration never fills it.
    std::uint16_t spare = 0xFFFF;
    List<unsigned short> leaders;
    std::uint16_t moved = 0;
    std::uint16_t hex = 0xFFFF;

    bool operator==(const CombatNameStruct& o) const {
        return attacker == o.attacker && defenders == o.defenders && spare == o.spare &&
               leaders == o.leaders && moved == o.moved && hex == o.hex;
    }
};

VAEL_TYPE_NAME(CombatNameStruct, "CombatNameStruct");

} // namespace vael
