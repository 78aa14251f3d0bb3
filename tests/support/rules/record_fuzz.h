#pragma once
// Test support for the fuzz targets that read a unit's record and saved state: the map the unit stands
// on, and the check that the target took every unit off it again, since a unit left behind on a hex would
// make the next input's checks about the map's contents meaningless.
#include <cstdint>
#include <cstdlib>

#include "game/rules/landscape/vael_logical_landscape.h"
#include "support/failed_checks.h"
#include "support/rules/test_maps.h"

namespace vael::test {

// Made once for the whole run, which goes on past failed checks.
inline VaelLogicalLandscape* recordFuzzMap() {
    static const auto map = [] {
        continueOnFailedChecks();
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
