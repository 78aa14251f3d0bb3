#include "game/figures/p_lancer.h"

namespace vael {

PLancer::PLancer(const std::string& normalName, const std::string& halfName, const std::string& quarterName,
                 std::int16_t region, std::int32_t facing, std::int16_t cataphract)
    : VaelPhysicalObject(normalName, halfName, quarterName, region, facing) {
    setKind(cataphract ? DisplayKind::Cataphracts : DisplayKind::Lancers);
    setSurvivors(2);
}

VaelPhysicalObject* PLancer::clone(std::int16_t region, std::int32_t facing) const {
    return new PLancer(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), region, facing,
                       kind() == DisplayKind::Cataphracts ? 1 : 0);
}

PHeavyInfantry::PHeavyInfantry(const std::string& normalName, const std::string& halfName,
                               const std::string& quarterName, std::int16_t region, std::int32_t facing)
    : VaelPhysicalObject(normalName, halfName, quarterName, region, facing) {
    setKind(DisplayKind::HeavyFoot);
    // Without combat pictures of its own the base's choice stands rather than no group at all.
    if (images_.hasGroup("CN")) setCombatGroup(images_.findGroup("CN"));
}

VaelPhysicalObject* PHeavyInfantry::clone(std::int16_t region, std::int32_t facing) const {
    return new PHeavyInfantry(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), region,
                              facing);
}

} // namespace vael
