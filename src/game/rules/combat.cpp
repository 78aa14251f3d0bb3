#include "game/rules/combat.h"

namespace vael {

Combat::Combat(const CombatUnitData& record, const char* name)
    : VaelUnit(record, name), TQ_(static_cast<std::uint16_t>(record.TQ)),
      size_(static_cast<std::uint16_t>(record.size)) {
    doubleSized_ = static_cast<std::uint16_t>(record.doubleSized);
    updateSecondHex();
}

void Combat::updateSurroundings() {
    buildFrontHexes();
    rebuildZOC();
    buildRearHexes();
    buildFlankHexes();
}

} // namespace vael
