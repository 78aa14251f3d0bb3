#pragma once
// The arrow the map draws from an attacker's hex to the hex it attacks.
#include <cstdint>

#include "framework/core/hex_codes.h"
#include "framework/core/type_name.h"

namespace vael {

// "AddBattleArrow", "RemoveBattleArrow": the two hexes and the compass direction from the first to the
// second.
struct BattleArrowStruct {
    std::uint16_t from = noHex;
    std::uint16_t to = noHex;
    std::uint32_t direction = 0;
    std::uint32_t unused = 0;

    bool operator==(const BattleArrowStruct&) const = default;
};

VAEL_TYPE_NAME(BattleArrowStruct, "BattleArrowStruct");

} // namespace vael
