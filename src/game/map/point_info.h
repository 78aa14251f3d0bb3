#pragma once
// A point of the battle map as the map window saw it: landscape pixels of the zoom level shown.
#include <cstdint>

#include "framework/core/geometry.h"
#include "framework/core/type_name.h"

namespace vael {

// "VaelPointSelected" and "VaelPointFlyby": a point on the map window of a zoom level (0 full size).
struct PointInfo {
    Point point;
    std::uint16_t zoom = 1;
};
VAEL_TYPE_NAME(PointInfo, "PointInfo");

} // namespace vael
