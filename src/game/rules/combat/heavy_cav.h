#pragma once
// The mounted kinds that carry no missiles: heavy cavalry, some of it cataphracts, and lancers.
#include "game/rules/combat/combat.h"

namespace vael {

class HeavyCav : public Combat {
public:
    HeavyCav(const HeavyCavUnitData& record, const char* name);
    // Null for a record that is not heavy cavalry's.
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    std::int16_t kindFlag() const override { return 1; }
    std::int16_t isCataphract() const { return cataphract_; }

protected:
    std::int16_t cataphract_;
};

class Lancer : public Combat {
public:
    Lancer(const CombatUnitData& record, const char* name);
    VaelUnit* create(const VaelUnitData& record, const char* name) override;
    std::int16_t kindFlag() const override { return 1; }
};

} // namespace vael
