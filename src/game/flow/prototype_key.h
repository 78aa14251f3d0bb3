#pragma once
// Which prototype a scenario's unit record is made from: chosen by the record's kind, its nation and, for
// some kinds, its name, missile type, two-hex or cataphract flag.
#include <cstdint>

namespace vael {

struct VaelUnitData;

struct PrototypeKey {
    std::int16_t key = -1;         // -1 when no row of the table fits the record
    const char* message = nullptr; // then: what is reported
};

// Light cavalry keeps its arrows and javelins as types 6 and 7; the record is changed before the key is
// chosen.
void remapLightCavalryMissiles(std::uint8_t kind, VaelUnitData& record);
PrototypeKey choosePrototypeKey(std::uint8_t kind, const VaelUnitData& record);

} // namespace vael
