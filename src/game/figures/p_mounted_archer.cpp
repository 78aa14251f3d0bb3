#include "game/figures/p_mounted_archer.h"

#include "game/figures/missile_places.h"
#include "game/figures/sprite_calls.h"

namespace vael {
namespace {

const Point3D ChariotLaunch[9] = {{0, 0, 0}, {0, 0, 0},     {0, 0, 0},   {0, -20, 0}, {0, -10, 0},
                                  {0, 0, 0}, {-25, -30, 0}, {0, -20, 0}, {0, 0, 0}};

} // namespace

PMountedArcher::PMountedArcher(const std::string& normalName, const std::string& halfName,
                               const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                               std::int32_t facing)
    : PArcher(normalName, halfName, quarterName, missileKind, region, facing) {
    unitKind_ = 8;
    survivors_ = 2;
}

VaelPhysicalObject* PMountedArcher::clone(std::int16_t region, std::int32_t facing) const {
    return new PMountedArcher(images_.name(), halfSizeArt_.name(), quarterSizeArt_.name(), 0, region, facing);
}

void PMountedArcher::setupAnimations() {
    buildSixFigureFormation();
    for (int d = 0; d < 9; ++d)
        launchOffsets[static_cast<std::size_t>(d)] = missile_places::RiderLaunch[d];
    createDefaultSprites(6);
    setRearRankOfSix();
}

PChariotArcher::PChariotArcher(const std::string& normalName, const std::string& halfName,
                               const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                               std::int32_t facing)
    : PArcher(normalName, halfName, quarterName, missileKind, region, facing) {
    unitKind_ = 7;
    survivors_ = 1;
}

VaelPhysicalObject* PChariotArcher::clone(std::int16_t region, std::int32_t facing) const {
    return new PChariotArcher(images_.name(), halfSizeArt_.name(), quarterSizeArt_.name(), 0, region, facing);
}

void PChariotArcher::setupAnimations() {
    for (int d = 0; d < 9; ++d)
        launchOffsets[static_cast<std::size_t>(d)] = ChariotLaunch[d];
    for (const SlotOffsets& place : missile_places::Chariots) {
        slotOffsets_.resize(spriteCount_);
        slotOffsets_.push_back(place);
        addFigure(-1);
    }
    finishFormation();
    createDefaultSprites(3);
    // A chariot's loss is not made good from a rear rank: there is none.
    if (VaelSprite* lead = figure(2)) sprite_calls::setSoundLead(*lead, true);
}

PShockingArcher::PShockingArcher(const std::string& normalName, const std::string& halfName,
                                 const std::string& quarterName, std::int16_t missileKind,
                                 std::int16_t region, std::int32_t facing)
    : PArcher(normalName, halfName, quarterName, missileKind, region, facing) {
    unitKind_ = 1;
    // Without combat pictures of its own the base's choice stands rather than no group at all.
    if (images_.hasGroup("CN")) combatGroup_ = images_.findGroup("CN");
}

VaelPhysicalObject* PShockingArcher::clone(std::int16_t region, std::int32_t facing) const {
    return new PShockingArcher(images_.name(), halfSizeArt_.name(), quarterSizeArt_.name(), 0, region,
                               facing);
}

} // namespace vael
