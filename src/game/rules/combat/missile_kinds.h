#pragma once
// The kinds that shoot or throw: chariots, skirmishers, light and medium foot, peltasts, light cavalry
// and the bolt-thrower. Each fixes its type code and what it is worth to the enemy; only the skirmisher
// changes a rule, by never offering to shock.
#include "game/rules/combat/missile_capable.h"

namespace vael {

class Chariot : public MissileCapable {
public:
    Chariot(const MissileCapableUnitData& record, const char* name);
    // Null for a record that is not a missile-armed unit's.
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    std::int16_t pointValue() override { return 2; }
    std::int16_t kindFlag() const override { return 1; }
};

class Skirmisher : public MissileCapable {
public:
    Skirmisher(const MissileCapableUnitData& record, const char* name);
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    std::int16_t pointValue() override { return 1; }
    std::int16_t canAttackHex(std::int16_t) override { return 0; }
};

class LightInfantry : public MissileCapable {
public:
    LightInfantry(const MissileCapableUnitData& record, const char* name);
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
};

class Peltast : public LightInfantry {
public:
    Peltast(const MissileCapableUnitData& record, const char* name);
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
};

class MediumInfantry : public MissileCapable {
public:
    MediumInfantry(const MissileCapableUnitData& record, const char* name);
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    std::int16_t kindFlag() const override { return 1; }
};

class LightCav : public MissileCapable {
public:
    LightCav(const MissileCapableUnitData& record, const char* name);
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
};

class Oxybele : public MissileCapable {
public:
    Oxybele(const MissileCapableUnitData& record, const char* name);
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    std::int16_t pointValue() override { return 0; }
};

} // namespace vael
