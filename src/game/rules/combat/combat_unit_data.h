#pragma once
// The scenario's record of a fighting unit, and the records of the kinds that carry more values: units
// that shoot or throw, heavy cavalry and elephants. Each reads its base's values first, then its own.
#include <cstdint>

#include "game/rules/units/vael_unit_data.h"

namespace vael {

class SuperString;

struct CombatUnitData : VaelUnitData {
    std::int16_t TQ = 0;
    std::int16_t size = 0;
    std::int16_t doubleSized = 0;

    // On the stream the size comes before the troop quality. A record whose troop quality or size is
    // not positive is reported and fails the stream: the cohesion and clash rules divide by both.
    bool Load(SuperString& stream);
};

struct HeavyCavUnitData : CombatUnitData {
    std::int16_t cataphract = 0; // non-zero for cataphracts

    bool Load(SuperString& stream);
};

} // namespace vael
