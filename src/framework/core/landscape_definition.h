#pragma once
// BEGIN_LANDSCAPE's payload. The rules' scenario reader sends it and the display's landscapes read it, so
// it lives with the core's shared records.
#include <cstdint>

#include "framework/core/geometry.h"
#include "framework/core/type_name.h"

namespace vael {

// Which battle, how big its map is, how many regions it has and how it is drawn.
struct LandscapeDefinition {
    std::uint16_t scenario = 0;
    Point size{0, 0};
    std::int16_t regionCount = 0;
    std::uint32_t style = 0;

    bool operator==(const LandscapeDefinition&) const = default;
};

VAEL_TYPE_NAME(LandscapeDefinition, "LandscapeDefinition");

} // namespace vael
