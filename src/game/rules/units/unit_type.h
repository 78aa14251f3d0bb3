#pragma once
// The type code every fighting unit carries. The combat tables are indexed by it, and the status bar and
// the combat trace show its two letters; codes 1, 4, 9 and 10 have no kind of unit but keep their rows.
#include <cstdint>

#include "framework/core/type_name.h"

namespace vael {

enum UNIT_TYPE : std::uint32_t {
    PH = 0, // phalanx
    LG = 1,
    HI = 2, // heavy infantry: hypaspists, hoplites
    MI = 3, // medium infantry
    BI = 4,
    LP = 5, // peltasts
    LI = 6, // light infantry
    SK = 7, // skirmishers
    HC = 8, // heavy cavalry
    RC = 9,
    BC = 10,
    LN = 11, // lancers
    LC = 12, // light cavalry
    EL = 13, // elephants
    CH = 14, // chariots
    AT = 15, // oxybeles
};

// Elephants, chariots and bolt-throwers never count among a side's routing units: an elephant rampages,
// the others leave the field.
inline bool neverCountsAsRouting(std::uint32_t type) {
    return type >= EL && type <= AT;
}

VAEL_TYPE_NAME(UNIT_TYPE, "UNIT_TYPE");

} // namespace vael
