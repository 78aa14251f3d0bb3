#pragma once
// Small battle landscapes for the map tests: a map of hand-made regions (levels and terrain by hex), fed
// to a landscape through the same calls the logical layer's messages make.
#include <functional>
#include <map>

#include "framework/core/logical_region.h"
#include "game/map/pointed_vael_landscape.h"

namespace vael::test {

// Regions of a columns x rows map, odd columns one hex short, as the logical map numbers them.
inline List<LogicalRegion> mapRegions(int columns, int rows, const std::function<int(int hex)>& level,
                                      const std::map<int, std::uint16_t>& terrain = {}) {
    List<LogicalRegion> regions;
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < columns; ++col) {
            LogicalRegion r;
            r.id = static_cast<std::uint16_t>(col * 100 + row);
            r.position = Point3D(static_cast<std::int16_t>(2 * col),
                                 static_cast<std::int16_t>(4 * row + 2 * (col % 2)),
                                 static_cast<std::int16_t>(level(col * 100 + row)));
            if (auto it = terrain.find(col * 100 + row); it != terrain.end()) {
                r.terrain[0] = it->second;
                r.terrainCount = 1;
            }
            regions.append(r);
        }
    return regions;
}

inline void feed(PointedVaelLandscape& l, int columns, int rows, const List<LogicalRegion>& regions,
                 std::uint16_t battle = 10) {
    l.beginLandscape(LandscapeDefinition{
        battle, Point(static_cast<std::int16_t>(columns), static_cast<std::int16_t>(rows)),
        static_cast<std::int16_t>(columns * rows), 0});
    l.createRegions(regions);
    l.endLandscape();
}

} // namespace vael::test
