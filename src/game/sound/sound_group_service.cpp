#include "game/sound/sound_group_service.h"

#include "game/sound/vael_sound_manager.h"

namespace vael {

SoundGroupService::SoundGroupService(VaelSoundManager& manager, std::chrono::milliseconds period)
    : manager_(manager), period_(period), thread_([this] { run(); }) {}

SoundGroupService::~SoundGroupService() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SoundGroupService::run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, period_, [this] { return stopping_; })) {
        lock.unlock();
        manager_.serviceSoundGroups();
        lock.lock();
    }
}

} // namespace vael
