#pragma once
// Test support for the fuzz targets that read a unit's record and saved state: the map the unit stands
// on, and the check that the target took every unit off it again, since a unit left behind on a hex would
// make the next input's checks about the map's contents meaningless.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/core/assertion.h"
#include "game/rules/vael_logical_landscape.h"
#include "support/rules/test_maps.h"

namespace vael::test {

// Made once for the whole run, with failed assertions answered "no" rather than stopping it: a refused
// record is an expected outcome here, not a fault.
inline VaelLogicalLandscape* recordFuzzMap() {
    static const auto map = [] {
        Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
        return makeLandscape(10, 10);
    }();
    return map.get();
}

// Takes the unit off both its hexes; one that is not on the map is a fault.
template <class Unit> void removeFromHexesOrAbort(VaelLogicalLandscape& map, Unit& unit) {
    for (std::int16_t hex : {static_cast<std::int16_t>(unit.getHex()), unit.getSecondHex()}) {
        if (hex < 0) continue;
        if (!map.isValidHex(hex)) std::abort();
        map.removeFromRegion(&unit, hex);
    }
}

inline void abortIfAnyHexHoldsAUnit(VaelLogicalLandscape& map) {
    for (std::int16_t i = 0; i < map.regionCount(); ++i)
        if (!map.unitsInHex(map.idOf(i)).isEmpty()) std::abort();
}

} // namespace vael::test
