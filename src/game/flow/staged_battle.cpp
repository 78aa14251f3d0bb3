// A battle set up in code rather than read from a scenario file: the map and the units are handed to the
// layer as the scenario reader would have left them.
#include "game/flow/vael_logical_layer.h"

namespace vael {

void VaelLogicalLayer::stageBattle(VaelLogicalLandscape* landscape, std::uint32_t homeNation,
                                   std::uint32_t visitorNation) {
    CloseGame();
    setLandscape(landscape);
    vaelLandscape_ = landscape;
    if (landscape) {
        landscape->onVisitorSide = [this](std::uint32_t nation) { return onVisitorSide(nation); };
        landscape->attach(*this);
        hexOffset_ = static_cast<std::int16_t>(landscape->getHexOffset());
    }
    homeNation_ = homeNation;
    visitorNation_ = visitorNation;
}

void VaelLogicalLayer::enlist(Combat* unit) {
    if (!unit || allUnits_.contains(unit)) return;
    unit->attach(*this);
    if (vaelLandscape_ && vaelLandscape_->isValidHex(static_cast<std::int16_t>(unit->getHex()))) {
        vaelLandscape_->addToRegion(unit, static_cast<std::int16_t>(unit->getHex()));
        if (unit->isDoubleSized() && unit->getSecondHex() >= 0)
            vaelLandscape_->addToRegion(unit, unit->getSecondHex());
    }
    allUnits_.adopt(std::unique_ptr<Combat>(unit));
    (onVisitorSide(unit->getNation()) ? visitorUnits_ : homeUnits_).append(unit);
}

void VaelLogicalLayer::enlist(Leader* leader) {
    if (!leader || allLeaders_.contains(leader)) return;
    leader->attach(*this);
    if (vaelLandscape_ && vaelLandscape_->isValidHex(static_cast<std::int16_t>(leader->getHex())))
        vaelLandscape_->addToRegion(leader, static_cast<std::int16_t>(leader->getHex()));
    allLeaders_.adopt(std::unique_ptr<Leader>(leader));
    (onVisitorSide(leader->getNation()) ? visitorLeaders_ : homeLeaders_).append(leader);
}

} // namespace vael
