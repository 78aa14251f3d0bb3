#include "game/figures/p_mounted_javelinist.h"

#include "game/figures/missile_places.h"

namespace vael {

PMountedJavelinist::PMountedJavelinist(const std::string& normalName, const std::string& halfName,
                                       const std::string& quarterName, std::int16_t kind, std::int16_t region,
                                       std::int32_t facing)
    : PJavelinist(normalName, halfName, quarterName, kind, region, facing) {
    setKind(DisplayKind::LightHorse);
    mounted = 1;
    setSurvivors(2);
}

VaelPhysicalObject* PMountedJavelinist::clone(std::int16_t region, std::int32_t facing) const {
    return new PMountedJavelinist(images_.name(), halfSizeImages().name(), quarterSizeImages().name(),
                                  missileKind, region, facing);
}

void PMountedJavelinist::setupAnimations() {
    setupRiders(missile_places::RiderLaunch);
}

PChariotJavelinist::PChariotJavelinist(const std::string& normalName, const std::string& halfName,
                                       const std::string& quarterName, std::int16_t kind, std::int16_t region,
                                       std::int32_t facing)
    : PJavelinist(normalName, halfName, quarterName, kind, region, facing) {
    setKind(DisplayKind::Chariot);
    mounted = 1;
    setSurvivors(1);
}

VaelPhysicalObject* PChariotJavelinist::clone(std::int16_t region, std::int32_t facing) const {
    return new PChariotJavelinist(images_.name(), halfSizeImages().name(), quarterSizeImages().name(),
                                  missileKind, region, facing);
}

void PChariotJavelinist::setupAnimations() {
    setupChariots(missile_places::JavelinLaunch);
}

} // namespace vael
