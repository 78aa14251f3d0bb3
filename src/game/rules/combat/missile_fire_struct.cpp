#include "game/rules/combat/missile_fire_struct.h"

#include "framework/core/super_string.h"

namespace vael {

SuperString& operator<<(SuperString& s, const MissileFireStruct& v) {
    return s << v.targetHex << v.unitNumber;
}

SuperString& operator>>(SuperString& s, MissileFireStruct& v) {
    return s >> v.targetHex >> v.unitNumber;
}

SuperString& operator<<(SuperString& s, const MissileDebrisStruct& v) {
    return s << v.targetHex << v.missileType << v.unitNumber;
}

SuperString& operator>>(SuperString& s, MissileDebrisStruct& v) {
    return s >> v.targetHex >> v.missileType >> v.unitNumber;
}

} // namespace vael
