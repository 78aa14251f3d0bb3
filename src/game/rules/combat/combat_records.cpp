#include "game/rules/combat/combat_records.h"

#include "framework/core/super_string.h"

namespace vael {

SuperString& operator<<(SuperString& s, const TQHitInfo& v) {
    return s << v.hits << v.unitNumber << v.cause;
}

SuperString& operator>>(SuperString& s, TQHitInfo& v) {
    return s >> v.hits >> v.unitNumber >> v.cause;
}

SuperString& operator<<(SuperString& s, const RestoreCohesionInfo& v) {
    return s << v.hits << v.unitNumber;
}

SuperString& operator>>(SuperString& s, RestoreCohesionInfo& v) {
    return s >> v.hits >> v.unitNumber;
}

SuperString& operator<<(SuperString& s, const UnitRoutData& v) {
    return s << v.nation << v.value << v.unitType;
}

SuperString& operator>>(SuperString& s, UnitRoutData& v) {
    return s >> v.nation >> v.value >> v.unitType;
}

SuperString& operator<<(SuperString& s, const EliminateUnitData& v) {
    return s << v.nation << v.points << v.unitType << v.unitNumber;
}

SuperString& operator>>(SuperString& s, EliminateUnitData& v) {
    return s >> v.nation >> v.points >> v.unitType >> v.unitNumber;
}

} // namespace vael
