#pragma once
// The game's sound manager as the display side sees it: one call per effect, each choosing and playing
// its own waves. Sprites and display objects reach it through instance(); with none installed (the
// battle tool, most tests) they stay silent.
#include <cstdint>

namespace vael {

class VaelSoundManager {
public:
    virtual ~VaelSoundManager();

    virtual void playBowShot();
    virtual void playArrowHit();
    virtual void playJavelinThrow();
    virtual void playJavelinHit();
    virtual void playSlingShot();
    virtual void playRockHit();
    virtual void playOxybelesShot();
    virtual void playOxybelesHit();
    virtual void playAnimalCall(std::int16_t soundClass);

    // Each start answers the number of the looping group it began (-1 when none), which the caller keeps
    // to stop that loop and no other.
    virtual std::int16_t startMovementSound(std::int16_t soundClass);
    virtual void stopMovementSound(std::int16_t group);
    virtual std::int16_t startShockSound(std::int16_t soundClass);
    virtual void stopShockSound(std::int16_t group);
    virtual std::int16_t startElephantSound();
    virtual void stopElephantSound(std::int16_t group);

    virtual void playSplash();
    virtual void startSplashLoop();
    virtual void stopSplashLoop();
    virtual void playElephantHit();
    virtual void playElephantHitAlt();
    virtual void playHorseBattle();
    virtual void playHorseBattleAlt();
    virtual void playCheer();

    // The one sound manager of the running game, or null.
    static VaelSoundManager* instance();
    static void setInstance(VaelSoundManager* manager);
};

} // namespace vael
