#pragma once
// The payloads of a rout and of an elephant's rampage: the path a routing unit ran, and what the beast
// did to every unit in its way. Each is streamed field by field in order, so that a relayed message reads
// the same on every machine.
#include <cstdint>

#include "framework/core/list.h"
#include "framework/core/type_name.h"

namespace vael {

class SuperString;

// "DoRout": the hexes the unit ran, its start first; terminal is 1 when the unit leaves play at the end.
struct RoutInfo {
    std::uint16_t unitNumber = 0;
    List<short> path;
    std::uint16_t terminal = 0;
};

// One unit a rampage touched, and what happened to it.
struct RampageStruct {
    std::uint16_t unitNumber = 0;
    std::uint16_t percentHits = 0;
    std::uint16_t hex = 0;
    std::uint16_t routing = 0;
    std::uint16_t withdrawing = 0;

    bool operator==(const RampageStruct&) const = default;
};

// "DoRampagingActions": the hexes the beast ran, its start first, and its number.
struct DoRampageStruct {
    List<short> path;
    std::uint16_t unitNumber = 0;
};

SuperString& operator<<(SuperString& s, const RoutInfo& v);
SuperString& operator>>(SuperString& s, RoutInfo& v);
SuperString& operator<<(SuperString& s, const RampageStruct& v);
SuperString& operator>>(SuperString& s, RampageStruct& v);
SuperString& operator<<(SuperString& s, const DoRampageStruct& v);
SuperString& operator>>(SuperString& s, DoRampageStruct& v);

VAEL_TYPE_NAME(RoutInfo, "RoutInfo");
VAEL_TYPE_NAME(RampageStruct, "RampageStruct");
VAEL_TYPE_NAME(DoRampageStruct, "DoRampageStruct");

} // namespace vael
