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

} // namespace vael
