#include "game/rules/combat/heavy_cav.h"
#include "game/rules/units/unit_type.h"

namespace vael {

HeavyCav::HeavyCav(const HeavyCavUnitData& record, const char* name)
    : Combat(record, name), cataphract_(record.cataphract) {
    unitType_ = HC;
    // Built as a fighting unit of no kind, its zone of control did not yet keep clear of elephants.
    updateSurroundings();
}

VaelUnit* HeavyCav::create(const VaelUnitData& record, const char* name) {
    auto* own = dynamic_cast<const HeavyCavUnitData*>(&record);
    return own ? new HeavyCav(*own, name) : nullptr;
}

Lancer::Lancer(const CombatUnitData& record, const char* name) : Combat(record, name) {
    unitType_ = LN;
    updateSurroundings();
}

VaelUnit* Lancer::create(const VaelUnitData& record, const char* name) {
    auto* own = dynamic_cast<const CombatUnitData*>(&record);
    return own ? new Lancer(*own, name) : nullptr;
}

} // namespace vael
