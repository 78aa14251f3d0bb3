#include "game/figures/p_mounted_javelinist.h"

#include "game/figures/missile_places.h"
#include "game/figures/sprite_calls.h"

namespace vael {

PMountedJavelinist::PMountedJavelinist(const std::string& normalName, const std::string& halfName,
                                       const std::string& quarterName, std::int16_t kind, std::int16_t region,
                                       std::int32_t facing)
    : PJavelinist(normalName, halfName, quarterName, kind, region, facing) {
    unitKind_ = 8;
    mounted = 1;
    survivors_ = 2;
}

VaelPhysicalObject* PMountedJavelinist::clone(std::int16_t region, std::int32_t facing) const {
    return new PMountedJavelinist(images_.name(), halfSizeArt_.name(), quarterSizeArt_.name(), missileKind,
                                  region, facing);
}

void PMountedJavelinist::setupAnimations() {
    buildSixFigureFormation();
    for (int d = 0; d < 9; ++d)
        launchOffsets[static_cast<std::size_t>(d)] = missile_places::RiderLaunch[d];
    createDefaultSprites(6);
    setRearRankOfSix();
}

PChariotJavelinist::PChariotJavelinist(const std::string& normalName, const std::string& halfName,
                                       const std::string& quarterName, std::int16_t kind, std::int16_t region,
                                       std::int32_t facing)
    : PJavelinist(normalName, halfName, quarterName, kind, region, facing) {
    unitKind_ = 7;
    mounted = 1;
    survivors_ = 1;
}

VaelPhysicalObject* PChariotJavelinist::clone(std::int16_t region, std::int32_t facing) const {
    return new PChariotJavelinist(images_.name(), halfSizeArt_.name(), quarterSizeArt_.name(), missileKind,
                                  region, facing);
}

void PChariotJavelinist::setupAnimations() {
    for (int d = 0; d < 9; ++d)
        launchOffsets[static_cast<std::size_t>(d)] = missile_places::JavelinLaunch[d];
    for (const SlotOffsets& place : missile_places::Chariots) {
        slotOffsets_.resize(spriteCount_);
        slotOffsets_.push_back(place);
        addFigure(-1);
    }
    finishFormation();
    createDefaultSprites(3);
    if (VaelSprite* lead = figure(2)) sprite_calls::setSoundLead(*lead, true);
}

} // namespace vael
