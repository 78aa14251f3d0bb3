// The real mixer on SDL's dummy audio driver: a volley of the forged waves plays, the effects run out
// and the service ends their groups, a loop stops at once by its number; and a machine without audio
// gives one trace line and silence.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "game/sound/vael_sound_manager.h"
#include "platform/sdl/sdl_audio_output.h"

namespace vael::test {
namespace {

using Groups = std::vector<std::int16_t>;

TEST(MixerSmokeTest, AVolleyPlaysThroughTheMixerAndItsGroupsEnd) {
    platform::SdlAudioOutput output;
    VaelSoundManager manager(output, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(output.isOpen()) << (manager.problems().empty() ? "" : manager.problems()[0]);
    std::srand(1);
    for (int archer = 0; archer < 8; ++archer)
        manager.playBowShot();
    for (int arrow = 0; arrow < 8; ++arrow)
        manager.playArrowHit();
    const std::int16_t march = manager.startMovementSound(3);
    EXPECT_TRUE(manager.problems().empty());
    const Groups live = manager.liveGroups();
    ASSERT_EQ(live.size(), 17u);
    // The mixer plays in real time: on a busy machine a short effect may already have run out here, so
    // only the loop is sure to be heard; none may hold more than its one channel.
    for (std::int16_t group : live)
        EXPECT_LE(output.playingInGroup(group), 1) << group;
    EXPECT_EQ(output.playingInGroup(march), 1);
    // The effects are shorter than a second; give them ample time to run out.
    for (int wait = 0; wait < 200 && manager.liveGroups().size() > 1; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        manager.serviceSoundGroups();
    }
    EXPECT_EQ(manager.liveGroups(), Groups{march});
    EXPECT_EQ(output.playingInGroup(march), 1);
    manager.stopMovementSound(march);
    EXPECT_EQ(output.playingInGroup(march), 0);
    EXPECT_TRUE(manager.liveGroups().empty());
}

TEST(MixerSmokeTest, SamplesOfAnotherFormatAreConvertedAndPlay) {
    platform::SdlAudioOutput output;
    std::string error;
    ASSERT_TRUE(output.open(error)) << error;
    const platform::PcmSound beep{8000, 1, 8, std::vector<std::uint8_t>(8000, 0x80)};
    const int sound = output.loadSound("beep", beep, error);
    ASSERT_NE(sound, 0) << error;
    EXPECT_GE(output.play(sound, 5, platform::AudioOutput::Forever), 0);
    EXPECT_EQ(output.playingInGroup(5), 1);
    output.setVolume(64);
    output.stopGroup(5);
    EXPECT_EQ(output.playingInGroup(5), 0);
    const platform::PcmSound odd{8000, 1, 12, {}};
    EXPECT_EQ(output.loadSound("odd", odd, error), 0);
    EXPECT_EQ(error, "odd: 12-bit samples cannot be played");
}

TEST(MixerSmokeTest, WithoutAnAudioDeviceOneTraceLineAndSilence) {
    const std::string driver = std::getenv("SDL_AUDIODRIVER") ? std::getenv("SDL_AUDIODRIVER") : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    {
        platform::SdlAudioOutput output;
        VaelSoundManager manager(output, VAEL_BUILD_DATA_DIR);
        EXPECT_FALSE(output.isOpen());
        manager.playBowShot();
        EXPECT_EQ(manager.startMovementSound(3), -1);
        ASSERT_EQ(manager.problems().size(), 1u);
        EXPECT_EQ(manager.problems()[0].rfind("No audio output (", 0), 0u) << manager.problems()[0];
    }
    setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
}

} // namespace
} // namespace vael::test
