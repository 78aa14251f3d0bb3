#pragma once
// The background thread that services the sound manager's groups every VaelSoundManager::ServicePeriodMs
// milliseconds, for as long as it lives. The application owns one beside its manager and ends it before
// the manager goes: the destructor wakes the thread and waits for it, so no service call is ever cut
// off halfway through the manager's lock.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "game/sound/vael_sound_manager.h"

namespace vael {

class SoundGroupService {
public:
    explicit SoundGroupService(
        VaelSoundManager& manager,
        std::chrono::milliseconds period = std::chrono::milliseconds(VaelSoundManager::ServicePeriodMs));
    ~SoundGroupService();
    SoundGroupService(const SoundGroupService&) = delete;
    SoundGroupService& operator=(const SoundGroupService&) = delete;

private:
    void run();

    VaelSoundManager& manager_;
    std::chrono::milliseconds period_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace vael
