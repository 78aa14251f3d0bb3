#include "game/figures/p_mounted_archer.h"

#include "game/figures/missile_places.h"

namespace vael {
namespace {

const Point3D ChariotLaunch[9] = {{0, 0, 0}, {0, 0, 0},     {0, 0, 0},   {0, -20, 0}, {0, -10, 0},
                                  {0, 0, 0}, {-25, -30, 0}, {0, -20, 0}, {0, 0, 0}};

} // namespace

PMountedArcher::PMountedArcher(const std::string& normalName, const std::string& halfName,
                               const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                               std::int32_t facing)
    : PArcher(normalName, halfName, quarterName, missileKind, region, facing) {
    setKind(DisplayKind::LightHorse);
    setSurvivors(2);
}

VaelPhysicalObject* PMountedArcher::clone(std::int16_t region, std::int32_t facing) const {
    return new PMountedArcher(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), 0, region,
                              facing);
}

void PMountedArcher::setupAnimations() {
    setupRiders(missile_places::RiderLaunch);
}

PChariotArcher::PChariotArcher(const std::string& normalName, const std::string& halfName,
                               const std::string& quarterName, std::int16_t missileKind, std::int16_t region,
                               std::int32_t facing)
    : PArcher(normalName, halfName, quarterName, missileKind, region, facing) {
    setKind(DisplayKind::Chariot);
    setSurvivors(1);
}

VaelPhysicalObject* PChariotArcher::clone(std::int16_t region, std::int32_t facing) const {
    return new PChariotArcher(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), 0, region,
                              facing);
}

void PChariotArcher::setupAnimations() {
    setupChariots(ChariotLaunch);
}

PShockingArcher::PShockingArcher(const std::string& normalName, const std::string& halfName,
                                 const std::string& quarterName, std::int16_t missileKind,
                                 std::int16_t region, std::int32_t facing)
    : PArcher(normalName, halfName, quarterName, missileKind, region, facing) {
    setKind(DisplayKind::MediumFoot);
    // Without combat pictures of its own the base's choice stands rather than no group at all.
    if (images_.hasGroup("CN")) setCombatGroup(images_.findGroup("CN"));
}

VaelPhysicalObject* PShockingArcher::clone(std::int16_t region, std::int32_t facing) const {
    return new PShockingArcher(images_.name(), halfSizeImages().name(), quarterSizeImages().name(), 0, region,
                               facing);
}

} // namespace vael
