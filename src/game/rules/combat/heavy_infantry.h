#pragma once
// Heavy foot: the heavy infantry kind and the three kinds built on it, the phalanx (which always covers
// two hexes and is worth twice its troop quality), the hypaspists and the hoplites.
#include "game/rules/combat/combat.h"

namespace vael {

class HeavyInfantry : public Combat {
public:
    HeavyInfantry(const CombatUnitData& record, const char* name);
    std::int16_t kindFlag() const override { return 1; }
};

class Phalanx : public HeavyInfantry {
public:
    Phalanx(const CombatUnitData& record, const char* name);
    // Null for a record that is not a fighting unit's.
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    std::int16_t pointValue() override { return static_cast<std::int16_t>(2 * TQ_); }
};

class Hypaspist : public HeavyInfantry {
public:
    using HeavyInfantry::HeavyInfantry;
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
};

class Hoplite : public HeavyInfantry {
public:
    Hoplite(const CombatUnitData& record, const char* name);
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
};

} // namespace vael
