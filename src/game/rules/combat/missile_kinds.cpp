#include "game/rules/combat/missile_kinds.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

template <class Kind> VaelUnit* make(const VaelUnitData& record, const char* name) {
    auto* own = dynamic_cast<const MissileCapableUnitData*>(&record);
    return own ? new Kind(*own, name) : nullptr;
}

} // namespace

Chariot::Chariot(const MissileCapableUnitData& record, const char* name) : MissileCapable(record, name) {
    unitType_ = CH;
}

VaelUnit* Chariot::create(const VaelUnitData& record, const char* name) {
    return make<Chariot>(record, name);
}

Skirmisher::Skirmisher(const MissileCapableUnitData& record, const char* name)
    : MissileCapable(record, name) {
    unitType_ = SK;
}

VaelUnit* Skirmisher::create(const VaelUnitData& record, const char* name) {
    return make<Skirmisher>(record, name);
}

LightInfantry::LightInfantry(const MissileCapableUnitData& record, const char* name)
    : MissileCapable(record, name) {
    unitType_ = LI;
}

VaelUnit* LightInfantry::create(const VaelUnitData& record, const char* name) {
    return make<LightInfantry>(record, name);
}

Peltast::Peltast(const MissileCapableUnitData& record, const char* name) : LightInfantry(record, name) {
    unitType_ = LP;
}

VaelUnit* Peltast::create(const VaelUnitData& record, const char* name) {
    return make<Peltast>(record, name);
}

MediumInfantry::MediumInfantry(const MissileCapableUnitData& record, const char* name)
    : MissileCapable(record, name) {
    unitType_ = MI;
}

VaelUnit* MediumInfantry::create(const VaelUnitData& record, const char* name) {
    return make<MediumInfantry>(record, name);
}

LightCav::LightCav(const MissileCapableUnitData& record, const char* name) : MissileCapable(record, name) {
    unitType_ = LC;
}

VaelUnit* LightCav::create(const VaelUnitData& record, const char* name) {
    return make<LightCav>(record, name);
}

Oxybele::Oxybele(const MissileCapableUnitData& record, const char* name) : MissileCapable(record, name) {
    unitType_ = AT;
}

VaelUnit* Oxybele::create(const VaelUnitData& record, const char* name) {
    return make<Oxybele>(record, name);
}

} // namespace vael
