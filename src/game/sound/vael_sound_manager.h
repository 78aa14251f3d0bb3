#pragma once
// The game's sound manager as the display side sees it: one call per effect, each choosing and playing
// its own waves. Sprites and display objects reach it through instance(); with none installed (the
// battle tool, most tests) they stay silent.
//
// Every sound plays in a numbered sound group: an effect in a group of its own, a loop (marching or
// galloping, the melee, the splash while figures wade, the calls of a rampaging elephant) in a group that
// sounds until the caller stops it by its number. A service call, made every ServicePeriodMs from a
// background thread (SoundGroupService), ends the groups whose sounds have run out and gives a rampaging
// elephant its next call. One lock guards the manager's state, taken by every call and by the service.
//
// The dice: the choices among waves take the game's rolls (Roll::shown) in the same order whether sound is on,
// off or missing, so that a battle rolls the same with and without it; the service on its own thread never
// touches the game's rolls.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace vael {

class WindowsAudio;
namespace platform {
class AudioOutput;
}

class VaelSoundManager {
public:
    static constexpr int ServicePeriodMs = 200;

    // Silent: the manager of a game without audio, and the base of the tests' recorders.
    VaelSoundManager();
    // Plays through the output (not owned, opened here) the waves of the data directory. An output that
    // cannot open gives one trace line and silence.
    VaelSoundManager(platform::AudioOutput& output, std::filesystem::path dataDirectory);
    virtual ~VaelSoundManager();
    VaelSoundManager(const VaelSoundManager&) = delete;
    VaelSoundManager& operator=(const VaelSoundManager&) = delete;

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

    // The preferences, in effect at once: all sound, the loops, and the volume 0 .. 100.
    void setSoundEnabled(bool on);
    void setAmbientEnabled(bool on);
    void setVolume(int volume);
    bool soundEnabled() const;
    bool ambientEnabled() const;
    int volume() const;

    // Ends the groups whose sounds have run out and sounds the next call of each rampaging elephant.
    virtual void serviceSoundGroups();
    // The numbers of the groups now live, in the order they began.
    std::vector<std::int16_t> liveGroups() const;
    // What the audio reported (no device, waves refused), in order.
    std::vector<std::string> problems() const;

    // The one sound manager of the running game, or null.
    static VaelSoundManager* instance();
    static void setInstance(VaelSoundManager* manager);

private:
    enum class Kind : std::uint8_t { Effect, Movement, Shock, Elephant, Splash };
    struct Group {
        std::int16_t number;
        Kind kind;
        int wait = 0; // an elephant's service calls left before its next call
    };

    void playEffect(const char* wave);
    std::int16_t startGroup(Kind kind, const char* wave, int loops);
    void stopGroup(std::int16_t number, Kind kind);
    void stopLoops();
    bool playsAny() const { return audio_ && sound_; }
    bool playsLoops() const { return playsAny() && ambient_; }
    const char* elephantCall();

    mutable std::mutex mutex_;
    std::unique_ptr<WindowsAudio> audio_;
    std::vector<Group> groups_;
    std::int16_t nextGroup_ = 0;
    std::int16_t splashGroup_ = -1;
    bool sound_ = true, ambient_ = true;
    int volume_ = 100;
    std::minstd_rand serviceDice_{1}; // the elephants' calls in the service, apart from rand()
};

} // namespace vael
