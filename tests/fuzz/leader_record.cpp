// Arbitrary bytes as a leader's scenario record followed by his saved state: a record or a state that is
// not one is refused and leaves the leader as he was; one that is read never leaves him more orders spent
// than he has, and leaves him on the map's hexes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/core/super_string.h"
#include "game/rules/leaders/vaelmoric.h"
#include "support/rules/record_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vael;
    VaelLogicalLandscape* map = test::recordFuzzMap();
    SuperString file;
    if (size) file.write(data, static_cast<std::int32_t>(size));
    LeaderUnitData record;
    record.hex = 505;
    record.facing = NorthEast;
    record.landscape = map;
    record.initiative = 3;
    const LeaderUnitData before = record;
    if (!record.Load(file) && (record.initiative != before.initiative || record.name != before.name))
        std::abort();
    record.hex = 505;
    record.landscape = map;
    Leader plain(record, "Plain");
    Tezhar commander(record, "Commander");
    for (Leader* leader : {static_cast<Leader*>(&plain), static_cast<Leader*>(&commander)}) {
        map->addToRegion(leader, 505);
        file.setReadPosition(size ? static_cast<std::int32_t>(data[0] % (size + 1)) : 0);
        file.clearFailure();
        const std::uint16_t hex = leader->getHex(), initiative = leader->getInitiative();
        const bool read = leader->read(file);
        if (!read && (leader->getHex() != hex || leader->getInitiative() != initiative)) std::abort();
        if (leader->getOrdersUsed() > leader->getInitiative()) std::abort();
        if (leader->getHex() != 0xFFFF) {
            if (!map->isValidHex(static_cast<std::int16_t>(leader->getHex()))) std::abort();
            map->removeFromRegion(leader, static_cast<std::int16_t>(leader->getHex()));
        }
    }
    test::abortIfAnyHexHoldsAUnit(*map);
    return 0;
}
