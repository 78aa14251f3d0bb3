#include "demonstration_regions.h"

#include "game/rules/landscape/vael_logical_landscape.h"

namespace vael::test {

bool demonstrationRegions(const std::string& mapFile, List<LogicalRegion>& regions, Point& size) {
    VaelLogicalLandscape map(mapFile.c_str());
    if (map.regionCount() <= 0) return false;
    for (std::int16_t i = 0; i < map.regionCount(); ++i)
        if (const LogicalRegion* r = map.regionAtIndex(i)) regions.append(*r);
    size = map.getSize();
    return true;
}

} // namespace vael::test
