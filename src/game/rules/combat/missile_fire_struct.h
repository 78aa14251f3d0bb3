#pragma once
// The payloads of a volley: the fire order that game flow carries out on every machine, and what the
// battle map needs to scatter the spent missiles on the target hex. Fixed widths, streamed field by field.
#include <cstdint>

#include "framework/core/hex_codes.h"
#include "framework/core/type_name.h"

namespace vael {

class SuperString;

// "DoMissileFire".
struct MissileFireStruct {
    std::uint16_t targetHex = noHex;
    std::uint16_t unitNumber = 0xFFFF;

    bool operator==(const MissileFireStruct&) const = default;
};

// The extra box of the "MissileFire" display command, handed back with "ReturnFromMissileFire".
struct MissileDebrisStruct {
    std::uint16_t targetHex = noHex;
    std::uint32_t missileType = 0;
    std::uint16_t unitNumber = 0xFFFF;

    bool operator==(const MissileDebrisStruct&) const = default;
};

SuperString& operator<<(SuperString& s, const MissileFireStruct& v);
SuperString& operator>>(SuperString& s, MissileFireStruct& v);
SuperString& operator<<(SuperString& s, const MissileDebrisStruct& v);
SuperString& operator>>(SuperString& s, MissileDebrisStruct& v);

VAEL_TYPE_NAME(MissileFireStruct, "MissileFireStruct");
VAEL_TYPE_NAME(MissileDebrisStruct, "MissileDebrisStruct");

} // namespace vael
