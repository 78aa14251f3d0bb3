#pragma once
// The payloads of the fighting unit's messages: the hits it announces, the cohesion restored to it, the
// zone-of-control question about its hex, and what its rout, rally or elimination is worth. Each is
// streamed field by field in order, so that a relayed message reads the same on every machine.
#include <cstdint>

#include "framework/core/type_name.h"

namespace vael {

class SuperString;

// "TQHit": hits announced for a unit, to be applied on every machine.
struct TQHitInfo {
    std::uint16_t hits = 0;
    std::uint16_t unitNumber = 0;
    std::uint32_t cause = 0;

    bool operator==(const TQHitInfo&) const = default;
};

// "DoRestoreCohesion": the hit count a restore-cohesion order left.
struct RestoreCohesionInfo {
    std::uint16_t hits = 0;
    std::uint16_t unitNumber = 0;

    bool operator==(const RestoreCohesionInfo&) const = default;
};

// "UnitRouted", "UnitRallied": the side, the points the unit is worth and its type code.
struct UnitRoutData {
    std::uint32_t nation = 0;
    std::uint16_t value = 0;
    std::uint32_t unitType = 0xFFFFFFFF;

    bool operator==(const UnitRoutData&) const = default;
};

// "UnitEliminated".
struct EliminateUnitData {
    std::uint32_t nation = 0;
    std::uint16_t points = 0;
    std::uint32_t unitType = 0xFFFFFFFF;
    std::uint16_t unitNumber = 0xFFFF;

    bool operator==(const EliminateUnitData&) const = default;
};

SuperString& operator<<(SuperString& s, const TQHitInfo& v);
SuperString& operator>>(SuperString& s, TQHitInfo& v);
SuperString& operator<<(SuperString& s, const RestoreCohesionInfo& v);
SuperString& operator>>(SuperString& s, RestoreCohesionInfo& v);
SuperString& operator<<(SuperString& s, const UnitRoutData& v);
SuperString& operator>>(SuperString& s, UnitRoutData& v);
SuperString& operator<<(SuperString& s, const EliminateUnitData& v);
SuperString& operator>>(SuperString& s, EliminateUnitData& v);

VAEL_TYPE_NAME(TQHitInfo, "TQHitInfo");
VAEL_TYPE_NAME(RestoreCohesionInfo, "RestoreCohesionInfo");
VAEL_TYPE_NAME(UnitRoutData, "UnitRoutData");
VAEL_TYPE_NAME(EliminateUnitData, "EliminateUnitData");

} // namespace vael
