#pragma once
// One entry of a flood fill's queue: a hex reached, the budget left on arrival (-1 when the fill keeps
// no paths) and, when it does, the path walked to it (kept by the fill until it ends).
#include <cstdint>

#include "framework/core/list.h"

namespace vael {

struct PathStruct {
    std::uint16_t hex = 0;
    std::int16_t remaining = -1;
    List<short>* path = nullptr;

    bool operator==(const PathStruct& o) const {
        return hex == o.hex && remaining == o.remaining && path == o.path;
    }
};

} // namespace vael
