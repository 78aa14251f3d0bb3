// The background service calls the manager again and again until it is ended, and ending it waits for
// the thread, so that no call comes after.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "game/sound/sound_group_service.h"
#include "game/sound/vael_sound_manager.h"

namespace vael::test {
namespace {

class CountingManager : public VaelSoundManager {
public:
    void serviceSoundGroups() override {
        std::lock_guard lock(mutex);
        ++calls;
        called.notify_all();
    }
    std::mutex mutex;
    std::condition_variable called;
    int calls = 0;
};

TEST(SoundGroupServiceTest, ServicesUntilEndedAndNotAfter) {
    CountingManager manager;
    int atEnd = 0;
    {
        SoundGroupService service(manager, std::chrono::milliseconds(1));
        std::unique_lock lock(manager.mutex);
        EXPECT_TRUE(
            manager.called.wait_for(lock, std::chrono::seconds(30), [&] { return manager.calls >= 3; }));
    }
    {
        std::lock_guard lock(manager.mutex);
        atEnd = manager.calls;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::lock_guard lock(manager.mutex);
    EXPECT_EQ(manager.calls, atEnd);
}

TEST(SoundGroupServiceTest, EndingAServiceThatHasNotYetCalledReturnsWithoutAWait) {
    CountingManager manager;
    { SoundGroupService service(manager, std::chrono::hours(1)); }
    EXPECT_EQ(manager.calls, 0);
}

} // namespace
} // namespace vael::test
