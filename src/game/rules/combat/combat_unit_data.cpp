#include "game/rules/combat/combat_unit_data.h"

#include <string>

#include "framework/core/assertion.h"
#include "framework/core/super_string.h"
#include "game/rules/combat/missile_capable_unit_data.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "COMBAT";

// A record cut short is refused whole: its fields keep what they held.
bool cutShort(SuperString& stream, const char* where) {
    if (!stream.failed()) return false;
    Assertion::fail(std::string("Unit record cut short in ") + where, sourceFile, __LINE__);
    return true;
}

} // namespace

bool CombatUnitData::Load(SuperString& stream) {
    if (!VaelUnitData::Load(stream)) return false;
    std::int16_t storedSize = 0, quality = 0;
    std::uint8_t twoHexes = 0;
    stream >> storedSize >> quality >> twoHexes;
    if (cutShort(stream, "CombatUnitData::Load(...)")) return false;
    if (quality <= 0 || storedSize <= 0) {
        Assertion::fail("Unit " + name + " has a troop quality of " + std::to_string(quality) +
                            " and a size of " + std::to_string(storedSize) +
                            "; both must be above 0 in CombatUnitData::Load(...)",
                        sourceFile, __LINE__);
        stream.setFailed();
        return false;
    }
    size = storedSize;
    TQ = quality;
    doubleSized = twoHexes;
    return true;
}

bool HeavyCavUnitData::Load(SuperString& stream) {
    if (!CombatUnitData::Load(stream)) return false;
    std::uint8_t flag = 0;
    stream >> flag;
    if (cutShort(stream, "HeavyCavUnitData::Load(...)")) return false;
    cataphract = flag;
    return true;
}

std::uint32_t MissileCapableUnitData::missileTypeOfCode(std::uint8_t code) {
    switch (code) {
    case 1:
        return 1;
    case 2:
        return 3;
    case 3:
        return 4;
    case 4:
        return 8;
    default:
        return 0;
    }
}

bool MissileCapableUnitData::Load(SuperString& stream) {
    if (!CombatUnitData::Load(stream)) return false;
    std::uint8_t code = 0;
    std::int16_t first = 0, second = 0;
    // The two values after the code are read whatever the code, so that a bad code leaves the reader on
    // the record's next bytes.
    stream >> code >> first >> second;
    if (cutShort(stream, "MissileCapableUnitData::Load(...)")) return false;
    value1 = first;
    value2 = second;
    const std::uint32_t type = missileTypeOfCode(code);
    if (type == 0) {
        Assertion::fail("Undefined missile type int16 MissileCapableUnitData::Load(...)", sourceFile, 47);
        stream.setFailed();
        return false;
    }
    missileType = type;
    return true;
}

bool ElephantUnitData::Load(SuperString& stream) {
    if (!MissileCapableUnitData::Load(stream)) return false;
    std::uint8_t value = 0;
    stream >> value;
    if (cutShort(stream, "ElephantUnitData::Load(...)")) return false;
    elephantValue = value;
    return true;
}

} // namespace vael
