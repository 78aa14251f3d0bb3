#pragma once
// What a rampaging elephant's display object keeps of every unit its path strikes, from the "RampageEvent"
// the physical layer hands it (by the unit's number) before the path itself, until its walk plays it. The
// struck object is held by reference, since the layer may delete it before the record is played.
#include <cstdint>

#include "framework/core/type_name.h"
#include "game/map/vael_display_object.h"

namespace vael {

struct RampageEventStruct {
    VaelObjectRef object; // null once the object is gone
    std::uint16_t percentHits = 0;
    std::uint16_t hex = 0;
    std::uint16_t routing = 0;
    std::uint16_t withdrawing = 0;
};
VAEL_TYPE_NAME(RampageEventStruct, "RampageEventStruct");

} // namespace vael
