// The demonstration battle's regions as the logical map builds them (apart from the landscapes: the
// rules' records and the display's share names).
#include <string>

#include "framework/core/list.h"
#include "framework/core/logical_region.h"
#include "game/rules/landscape/vael_logical_landscape.h"

bool demonstrationRegions(const std::string& mapFile, vael::List<vael::LogicalRegion>& regions,
                          vael::Point& size) {
    vael::VaelLogicalLandscape map(mapFile.c_str());
    if (map.regionCount() <= 0) return false;
    for (std::int16_t i = 0; i < map.regionCount(); ++i)
        if (const vael::LogicalRegion* r = map.regionAtIndex(i)) regions.append(*r);
    size = map.getSize();
    return true;
}
