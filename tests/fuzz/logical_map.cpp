// Arbitrary bytes as a logical map file: the reader must refuse what is not a map with a message, and a
// map it accepts must build and answer its questions without reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/landscape/vael_logical_landscape.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vael::LogicalMapFile file;
    if (!file.read(data, size, "fuzz.map")) {
        if (file.error().empty() || file.width() != 0) std::abort();
        return 0;
    }
    vael::VaelLogicalLandscape map(file);
    if (!map.loadError().empty() || map.regionCount() != file.width() * file.height()) std::abort();
    int sum = 0;
    for (std::int16_t i = 0; i < map.regionCount(); ++i) {
        const std::int16_t hex = map.idOf(i);
        const vael::LogicalRegion* region = map.regionAtIndex(i);
        if (!region || region->terrainCount > 10) std::abort();
        for (std::int32_t d : {1, 2, 4, 5, 6, 8}) {
            const std::uint16_t n = map.neighbourId(hex, d);
            if (n == 0xFFFF || !map.isValidHex(hex)) continue;
            if (!map.isValidHex(static_cast<std::int16_t>(n))) std::abort();
            sum += map.stepCostBetween(hex, static_cast<std::int16_t>(n));
        }
    }
    const std::int16_t last = map.idOf(static_cast<std::int16_t>(map.regionCount() - 1));
    for (std::int16_t start : {std::int16_t(0), last}) {
        vael::List<short> reach;
        map.hexesWithinCost(reach, start, 3, vael::VaelLogicalLandscape::unitStepCost);
        sum += reach.count();
        sum += map.hexLine(0, start).count();
    }
    return sum < 0 ? 1 : 0;
}
