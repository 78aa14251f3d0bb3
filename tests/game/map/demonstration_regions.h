#pragma once
// The demonstration battle's regions as the logical map builds them from the forged map file (kept in a
// file of its own: the rules' records and the display's share names).
#include <string>

#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/core/logical_region.h"

namespace vael::test {

// False when the map cannot be read; size is (columns, rows).
bool demonstrationRegions(const std::string& mapFile, List<LogicalRegion>& regions, Point& size);

} // namespace vael::test
