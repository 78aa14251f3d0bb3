#pragma once
// The sides of the battles: the nation code every unit carries, and the index of the nation-name table.
#include <cstdint>

#include "framework/core/type_name.h"

namespace vael {

enum NATION : std::uint32_t {
    NoNation = 0,
    Macedonian = 1,
    Persian = 2,
    Indian = 3,
    Greek = 4,
    Danubian = 5,
    Scythian = 6,
    Spartan = 7,
    African = 8,
    Roman = 9
};

VAEL_TYPE_NAME(NATION, "NATION");

// The side a unit of this nation fights on, given the visitor side's nation: the visitor's nation is the
// visitor's side, and every other nation the home side's, the home nation and one of neither side that a
// scenario from elsewhere may field alike. Whatever counts, lists or answers by side asks this.
inline bool onVisitorSide(std::uint32_t nation, std::uint32_t visitorNation) {
    return nation == visitorNation;
}

} // namespace vael
