#include "game/rules/combat/heavy_infantry.h"
#include "game/rules/units/unit_type.h"

namespace vael {

HeavyInfantry::HeavyInfantry(const CombatUnitData& record, const char* name) : Combat(record, name) {
    unitType_ = HI;
}

Phalanx::Phalanx(const CombatUnitData& record, const char* name) : HeavyInfantry(record, name) {
    unitType_ = PH;
    if (!doubleSized_) {
        // A record that calls a phalanx single-sized is overruled: it still needs its second hex and the
        // surroundings of both, or it would stand as a two-hex unit with one hex.
        doubleSized_ = 1;
        updateSecondHex();
        updateSurroundings();
    }
}

VaelUnit* Phalanx::create(const VaelUnitData& record, const char* name) {
    auto* own = dynamic_cast<const CombatUnitData*>(&record);
    return own ? new Phalanx(*own, name) : nullptr;
}

VaelUnit* Hypaspist::create(const VaelUnitData& record, const char* name) {
    auto* own = dynamic_cast<const CombatUnitData*>(&record);
    return own ? new Hypaspist(*own, name) : nullptr;
}

Hoplite::Hoplite(const CombatUnitData& record, const char* name) : HeavyInfantry(record, name) {
    doubleSized_ = static_cast<std::uint16_t>(record.doubleSized);
    updateSecondHex();
}

VaelUnit* Hoplite::create(const VaelUnitData& record, const char* name) {
    auto* own = dynamic_cast<const CombatUnitData*>(&record);
    return own ? new Hoplite(*own, name) : nullptr;
}

} // namespace vael
