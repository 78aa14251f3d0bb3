#include "game/rules/rout/rout_records.h"

#include "framework/core/super_string.h"

namespace vael {

SuperString& operator<<(SuperString& s, const RoutInfo& v) {
    return s << v.unitNumber << v.path << v.terminal;
}

SuperString& operator>>(SuperString& s, RoutInfo& v) {
    return s >> v.unitNumber >> v.path >> v.terminal;
}

SuperString& operator<<(SuperString& s, const RampageStruct& v) {
    return s << v.unitNumber << v.percentHits << v.hex << v.routing << v.withdrawing;
}

SuperString& operator>>(SuperString& s, RampageStruct& v) {
    return s >> v.unitNumber >> v.percentHits >> v.hex >> v.routing >> v.withdrawing;
}

SuperString& operator<<(SuperString& s, const DoRampageStruct& v) {
    return s << v.path << v.unitNumber;
}

SuperString& operator>>(SuperString& s, DoRampageStruct& v) {
    return s >> v.path >> v.unitNumber;
}

} // namespace vael
