// Arbitrary bytes as a unit's scenario record followed by its saved state: a record or a state that is
// not one is refused and leaves the unit as it was; one that is read leaves the unit on the map's hexes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/core/super_string.h"
#include "support/rules/record_fuzz.h"
#include "support/rules/test_movers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    VaelLogicalLandscape* map = test::recordFuzzMap();
    SuperString file;
    if (size) file.write(data, static_cast<std::int32_t>(size));
    VaelUnitData record;
    const bool loaded = record.Load(file);
    if (loaded && !VaelUnitData::isFacing(record.facing)) std::abort();
    test::UnitSetup setup(1, 505, map, 1, 2, size % 2);
    test::CombatMover unit(setup);
    map->addToRegion(&unit, 505);
    if (unit.getSecondHex() >= 0) map->addToRegion(&unit, unit.getSecondHex());
    const std::uint16_t before = unit.getHex();
    const bool read = unit.read(file);
    if (!read && unit.getHex() != before) std::abort();
    test::removeFromHexesOrAbort(*map, unit);
    test::abortIfAnyHexHoldsAUnit(*map);
    return 0;
}
