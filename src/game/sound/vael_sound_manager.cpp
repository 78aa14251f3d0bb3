#include "game/sound/vael_sound_manager.h"

namespace vael {

namespace {
VaelSoundManager* installed = nullptr;
}

// This base plays nothing: it is the silent manager of a game without sound, and the shape that the
// audible manager and the tests' recorders fill in.
VaelSoundManager::~VaelSoundManager() {
    if (installed == this) installed = nullptr;
}

void VaelSoundManager::playBowShot() {}
void VaelSoundManager::playArrowHit() {}
void VaelSoundManager::playJavelinThrow() {}
void VaelSoundManager::playJavelinHit() {}
void VaelSoundManager::playSlingShot() {}
void VaelSoundManager::playRockHit() {}
void VaelSoundManager::playOxybelesShot() {}
void VaelSoundManager::playOxybelesHit() {}
void VaelSoundManager::playAnimalCall(std::int16_t) {}
std::int16_t VaelSoundManager::startMovementSound(std::int16_t) { return -1; }
void VaelSoundManager::stopMovementSound(std::int16_t) {}
std::int16_t VaelSoundManager::startShockSound(std::int16_t) { return -1; }
void VaelSoundManager::stopShockSound(std::int16_t) {}
std::int16_t VaelSoundManager::startElephantSound() { return -1; }
void VaelSoundManager::stopElephantSound(std::int16_t) {}
void VaelSoundManager::playSplash() {}
void VaelSoundManager::startSplashLoop() {}
void VaelSoundManager::stopSplashLoop() {}
void VaelSoundManager::playElephantHit() {}
void VaelSoundManager::playElephantHitAlt() {}
void VaelSoundManager::playHorseBattle() {}
void VaelSoundManager::playHorseBattleAlt() {}
void VaelSoundManager::playCheer() {}

VaelSoundManager* VaelSoundManager::instance() { return installed; }
void VaelSoundManager::setInstance(VaelSoundManager* manager) { installed = manager; }

} // namespace vael
