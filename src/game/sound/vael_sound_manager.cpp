#include "game/sound/vael_sound_manager.h"

#include <algorithm>

#include "framework/sound/windows_audio.h"
#include "game/rules/roll.h"
#include "platform/audio_output.h"

namespace vael {

namespace {

VaelSoundManager* installed = nullptr;

const char* const arrowHits[] = {"arrowhit1.wav", "arrowhit2.wav", "arrowhit3.wav"};
const char* const javelinHits[] = {"javhit1.wav", "javhit2.wav", "javhit3.wav"};
const char* const rockHits[] = {"rockhit1.wav", "rockhit2.wav", "rockhit3.wav"};
const char* const boltHits[] = {"bolthit1.wav", "bolthit2.wav", "bolthit3.wav"};
const char* const elephantCalls[] = {"elephant1.wav", "elephant2.wav"};

// Unit kinds 4 and 6 to 12 ride horses; 5 and 13 are elephants.
bool horseKind(int kind) {
    return kind == 4 || (kind >= 6 && kind <= 12);
}
bool elephantKind(int kind) {
    return kind == 5 || kind == 13;
}

} // namespace

VaelSoundManager::VaelSoundManager() = default;

VaelSoundManager::VaelSoundManager(platform::AudioOutput& output, std::filesystem::path dataDirectory)
    : audio_(std::make_unique<WindowsAudio>(&output, std::move(dataDirectory))) {
    if (!audio_->audible()) return;
    audio_->setVolume(volume_ * platform::AudioOutput::MaxVolume / 100);
}

VaelSoundManager::~VaelSoundManager() {
    if (installed == this) installed = nullptr;
}

void VaelSoundManager::playEffect(const char* wave) {
    if (playsAny()) startGroup(Kind::Effect, wave, 0);
}

// Under the lock. Group numbers go round from 0 to the largest 16-bit number, passing over live ones, so
// that a number kept by a caller after its group ended does not name a newer group for a long while.
std::int16_t VaelSoundManager::startGroup(Kind kind, const char* wave, int loops) {
    const int sound = audio_->load(wave);
    if (sound == 0) return -1;
    std::int16_t number = nextGroup_;
    while (std::any_of(groups_.begin(), groups_.end(), [&](const Group& g) { return g.number == number; }))
        number = number == INT16_MAX ? 0 : std::int16_t(number + 1);
    if (audio_->play(sound, number, loops) < 0) return -1;
    nextGroup_ = number == INT16_MAX ? 0 : std::int16_t(number + 1);
    groups_.push_back({number, kind});
    return number;
}

// Under the lock: stops the group of that number when it is of that kind.
void VaelSoundManager::stopGroup(std::int16_t number, Kind kind) {
    const auto it =
        std::find_if(groups_.begin(), groups_.end(), [&](const Group& g) { return g.number == number; });
    if (it == groups_.end() || it->kind != kind) return;
    audio_->stopGroup(number);
    if (number == splashGroup_) splashGroup_ = -1;
    groups_.erase(it);
}

// Under the lock: every loop ends at once.
void VaelSoundManager::stopLoops() {
    for (auto it = groups_.begin(); it != groups_.end();) {
        if (it->kind == Kind::Effect) {
            ++it;
            continue;
        }
        if (audio_) audio_->stopGroup(it->number);
        it = groups_.erase(it);
    }
    splashGroup_ = -1;
}

const char* VaelSoundManager::elephantCall() {
    return elephantCalls[serviceDice_() % 2];
}

void VaelSoundManager::playBowShot() {
    std::lock_guard lock(mutex_);
    playEffect("bow.wav");
}

void VaelSoundManager::playArrowHit() {
    std::lock_guard lock(mutex_);
    const int pick = Roll::shown() % 3;
    playEffect(arrowHits[pick]);
}

void VaelSoundManager::playJavelinThrow() {
    std::lock_guard lock(mutex_);
    playEffect("javelin.wav");
}

void VaelSoundManager::playJavelinHit() {
    std::lock_guard lock(mutex_);
    const int pick = Roll::shown() % 3;
    playEffect(javelinHits[pick]);
}

void VaelSoundManager::playSlingShot() {
    std::lock_guard lock(mutex_);
    playEffect("sling.wav");
}

void VaelSoundManager::playRockHit() {
    std::lock_guard lock(mutex_);
    const int pick = Roll::shown() % 3;
    playEffect(rockHits[pick]);
}

void VaelSoundManager::playOxybelesShot() {
    std::lock_guard lock(mutex_);
    playEffect("oxybeles.wav");
}

void VaelSoundManager::playOxybelesHit() {
    std::lock_guard lock(mutex_);
    const int pick = Roll::shown() % 3;
    playEffect(boltHits[pick]);
}

void VaelSoundManager::playAnimalCall(std::int16_t soundClass) {
    std::lock_guard lock(mutex_);
    if (horseKind(soundClass)) {
        playEffect("horse1.wav");
    } else if (elephantKind(soundClass)) {
        const int pick = Roll::shown() % 2;
        playEffect(elephantCalls[pick]);
    }
}

std::int16_t VaelSoundManager::startMovementSound(std::int16_t soundClass) {
    std::lock_guard lock(mutex_);
    if (!playsLoops()) return -1;
    return startGroup(Kind::Movement, horseKind(soundClass) ? "gallop.wav" : "march.wav",
                      platform::AudioOutput::Forever);
}

// A unit that stops walking has also left the water.
void VaelSoundManager::stopMovementSound(std::int16_t group) {
    std::lock_guard lock(mutex_);
    if (!audio_) return;
    stopGroup(group, Kind::Movement);
    if (splashGroup_ >= 0) stopGroup(splashGroup_, Kind::Splash);
}

std::int16_t VaelSoundManager::startShockSound(std::int16_t) {
    std::lock_guard lock(mutex_);
    if (!playsLoops()) return -1;
    return startGroup(Kind::Shock, "melee.wav", platform::AudioOutput::Forever);
}

void VaelSoundManager::stopShockSound(std::int16_t group) {
    std::lock_guard lock(mutex_);
    if (audio_) stopGroup(group, Kind::Shock);
}

// The calls are read now, on the caller's thread, so that the service only ever plays waves already read.
std::int16_t VaelSoundManager::startElephantSound() {
    std::lock_guard lock(mutex_);
    if (!playsLoops()) return -1;
    for (const char* wave : elephantCalls)
        audio_->load(wave);
    return startGroup(Kind::Elephant, elephantCall(), 0);
}

void VaelSoundManager::stopElephantSound(std::int16_t group) {
    std::lock_guard lock(mutex_);
    if (audio_) stopGroup(group, Kind::Elephant);
}

void VaelSoundManager::playSplash() {
    std::lock_guard lock(mutex_);
    playEffect("splash.wav");
}

// One splash loop serves every figure in the water.
void VaelSoundManager::startSplashLoop() {
    std::lock_guard lock(mutex_);
    if (!playsLoops() || splashGroup_ >= 0) return;
    splashGroup_ = startGroup(Kind::Splash, "splashloop.wav", platform::AudioOutput::Forever);
}

void VaelSoundManager::stopSplashLoop() {
    std::lock_guard lock(mutex_);
    if (audio_ && splashGroup_ >= 0) stopGroup(splashGroup_, Kind::Splash);
}

void VaelSoundManager::playElephantHit() {
    std::lock_guard lock(mutex_);
    playEffect("elephant1.wav");
}

void VaelSoundManager::playElephantHitAlt() {
    std::lock_guard lock(mutex_);
    playEffect("elephant2.wav");
}

void VaelSoundManager::playHorseBattle() {
    std::lock_guard lock(mutex_);
    playEffect("horse2.wav");
}

void VaelSoundManager::playHorseBattleAlt() {
    std::lock_guard lock(mutex_);
    playEffect("horse3.wav");
}

void VaelSoundManager::playCheer() {
    std::lock_guard lock(mutex_);
    playEffect("cheer.wav");
}

void VaelSoundManager::setSoundEnabled(bool on) {
    std::lock_guard lock(mutex_);
    if (sound_ == on) return;
    sound_ = on;
    if (on || !audio_) return;
    groups_.clear();
    splashGroup_ = -1;
    audio_->closeAll();
}

void VaelSoundManager::setAmbientEnabled(bool on) {
    std::lock_guard lock(mutex_);
    if (ambient_ == on) return;
    ambient_ = on;
    if (!on) stopLoops();
}

void VaelSoundManager::setVolume(int volume) {
    std::lock_guard lock(mutex_);
    volume_ = std::clamp(volume, 0, 100);
    if (audio_) audio_->setVolume(volume_ * platform::AudioOutput::MaxVolume / 100);
}

bool VaelSoundManager::soundEnabled() const {
    std::lock_guard lock(mutex_);
    return sound_;
}

bool VaelSoundManager::ambientEnabled() const {
    std::lock_guard lock(mutex_);
    return ambient_;
}

int VaelSoundManager::volume() const {
    std::lock_guard lock(mutex_);
    return volume_;
}

void VaelSoundManager::serviceSoundGroups() {
    std::lock_guard lock(mutex_);
    if (!audio_) return;
    for (auto it = groups_.begin(); it != groups_.end();) {
        if (audio_->playingInGroup(it->number) > 0) {
            ++it;
            continue;
        }
        if (it->kind == Kind::Elephant) {
            // A short breath between two calls of the same beast.
            if (it->wait == 0) {
                it->wait = 1 + int(serviceDice_() % 3);
            } else if (--it->wait == 0) {
                const int sound = audio_->load(elephantCall());
                audio_->play(sound, it->number, 0);
            }
            ++it;
            continue;
        }
        if (it->number == splashGroup_) splashGroup_ = -1;
        it = groups_.erase(it);
    }
}

std::vector<std::int16_t> VaelSoundManager::liveGroups() const {
    std::lock_guard lock(mutex_);
    std::vector<std::int16_t> numbers;
    for (const Group& g : groups_)
        numbers.push_back(g.number);
    return numbers;
}

std::vector<std::string> VaelSoundManager::problems() const {
    std::lock_guard lock(mutex_);
    return audio_ ? audio_->problems() : std::vector<std::string>{};
}

VaelSoundManager* VaelSoundManager::instance() {
    return installed;
}
void VaelSoundManager::setInstance(VaelSoundManager* manager) {
    installed = manager;
}

} // namespace vael
