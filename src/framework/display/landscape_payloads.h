#pragma once
// The boxes in which the logical side hands its map to the landscapes, and in which tiles and landscapes
// find each other.
#include "framework/core/container.h"
#include "framework/core/landscape_definition.h"
#include "framework/core/list.h"
#include "framework/core/logical_region.h"

namespace vael {

class Landscape;
class LandscapeTile;

VAEL_TYPE_NAME(Landscape, "Landscape");
VAEL_TYPE_NAME(LandscapeTile, "LandscapeTile");

} // namespace vael
