#pragma once
// Test support: a sound manager that writes down every call the sprites make, in order ("playSplash",
// "startMovementSound 3" ...), and answers each start with the next group number from 40 up. Installed as
// the game's sound manager while it lives.
#include <string>
#include <vector>

#include "game/sound/vael_sound_manager.h"

namespace vael::test {

class RecordingSoundManager : public VaelSoundManager {
public:
    RecordingSoundManager() { VaelSoundManager::setInstance(this); }
    ~RecordingSoundManager() override { VaelSoundManager::setInstance(nullptr); }

    std::vector<std::string> calls;

    void playBowShot() override { calls.push_back("playBowShot"); }
    void playArrowHit() override { calls.push_back("playArrowHit"); }
    void playJavelinThrow() override { calls.push_back("playJavelinThrow"); }
    void playJavelinHit() override { calls.push_back("playJavelinHit"); }
    void playSlingShot() override { calls.push_back("playSlingShot"); }
    void playRockHit() override { calls.push_back("playRockHit"); }
    void playOxybelesShot() override { calls.push_back("playOxybelesShot"); }
    void playOxybelesHit() override { calls.push_back("playOxybelesHit"); }
    void playAnimalCall(std::int16_t c) override { calls.push_back("playAnimalCall " + std::to_string(c)); }
    std::int16_t startMovementSound(std::int16_t c) override {
        calls.push_back("startMovementSound " + std::to_string(c));
        return nextGroup++;
    }
    void stopMovementSound(std::int16_t g) override {
        calls.push_back("stopMovementSound " + std::to_string(g));
    }
    std::int16_t startShockSound(std::int16_t c) override {
        calls.push_back("startShockSound " + std::to_string(c));
        return nextGroup++;
    }
    void stopShockSound(std::int16_t g) override { calls.push_back("stopShockSound " + std::to_string(g)); }
    std::int16_t startElephantSound() override {
        calls.push_back("startElephantSound");
        return nextGroup++;
    }
    void stopElephantSound(std::int16_t g) override {
        calls.push_back("stopElephantSound " + std::to_string(g));
    }
    void playSplash() override { calls.push_back("playSplash"); }
    void startSplashLoop() override { calls.push_back("startSplashLoop"); }
    void stopSplashLoop() override { calls.push_back("stopSplashLoop"); }
    void playElephantHit() override { calls.push_back("playElephantHit"); }
    void playElephantHitAlt() override { calls.push_back("playElephantHitAlt"); }
    void playHorseBattle() override { calls.push_back("playHorseBattle"); }
    void playHorseBattleAlt() override { calls.push_back("playHorseBattleAlt"); }
    void playCheer() override { calls.push_back("playCheer"); }

    std::int16_t nextGroup = 40;
};

} // namespace vael::test
