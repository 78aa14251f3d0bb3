// The recording audio output: the record the sound tests read, and channels that behave as the mixer's
// do (taken in order, freed by a stop, a sound running out, or the sound being freed).
#include <gtest/gtest.h>

#include "platform/headless/headless_audio_output.h"

namespace vael::platform {
namespace {

using Op = HeadlessAudioOutput::Op;
using Call = HeadlessAudioOutput::Call;

TEST(HeadlessAudioOutputTest, NothingLoadsOrPlaysBeforeItIsOpen) {
    HeadlessAudioOutput output;
    std::string error;
    EXPECT_EQ(output.loadSound("a.wav", {}, error), 0);
    EXPECT_EQ(error, "the audio output is not open");
    EXPECT_EQ(output.play(1, 0, 0), -1);
    output.noDevice = true;
    EXPECT_FALSE(output.open(error));
    EXPECT_EQ(error, "no audio device");
    EXPECT_FALSE(output.isOpen());
    EXPECT_EQ(output.calls, (std::vector<Call>{{Op::Load, "a.wav"}, {Op::Open, ""}}));
}

TEST(HeadlessAudioOutputTest, ChannelsAreTakenInOrderUntilNoneIsFree) {
    HeadlessAudioOutput output(3);
    std::string error;
    ASSERT_TRUE(output.open(error));
    const int a = output.loadSound("a.wav", {8000, 1, 8, {1, 2}}, error);
    const int b = output.loadSound("b.wav", {8000, 1, 8, {3}}, error);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(output.play(a, 4, 0), 0);
    EXPECT_EQ(output.play(b, 4, HeadlessAudioOutput::Forever), 1);
    EXPECT_EQ(output.play(a, 5, 2), 2);
    EXPECT_EQ(output.play(a, 6, 0), -1); // all three busy
    EXPECT_EQ(output.play(3, 6, 0), -1); // no such sound
    EXPECT_EQ(output.playingInGroup(4), 2);
    output.runOut(); // only the one that repeats forever goes on
    EXPECT_EQ(output.playingInGroup(4), 1);
    EXPECT_EQ(output.playingInGroup(5), 0);
    EXPECT_EQ(output.play(a, 6, 0), 0);
    output.freeSound(b);
    EXPECT_EQ(output.playingInGroup(4), 0);
    EXPECT_EQ(output.play(b, 4, 0), -1);
    output.freeSound(b); // twice: nothing
    output.stopGroup(6);
    EXPECT_EQ(output.playingInGroup(6), 0);
    EXPECT_EQ(output.plays(),
              (std::vector<std::string>{"a.wav@4", "b.wav@4*", "a.wav@5", "a.wav@6", "a.wav@6"}));
    EXPECT_EQ(output.calls.back(), (Call{Op::StopGroup, "", 6}));
    EXPECT_EQ(output.calls[output.calls.size() - 2], (Call{Op::Free, "b.wav"}));
    ASSERT_NE(output.loaded("a.wav"), nullptr);
    EXPECT_EQ(output.loaded("a.wav")->data, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(output.loaded("b.wav"), nullptr);
}

TEST(HeadlessAudioOutputTest, StoppingAllAndClosingSilenceEveryChannel) {
    HeadlessAudioOutput output(2);
    std::string error;
    ASSERT_TRUE(output.open(error));
    const int a = output.loadSound("a.wav", {8000, 1, 8, {1}}, error);
    output.play(a, 1, HeadlessAudioOutput::Forever);
    output.play(a, 2, HeadlessAudioOutput::Forever);
    output.stopAll();
    EXPECT_EQ(output.playingInGroup(1) + output.playingInGroup(2), 0);
    output.play(a, 1, HeadlessAudioOutput::Forever);
    output.setVolume(17);
    EXPECT_EQ(output.volume, 17);
    output.close();
    EXPECT_EQ(output.playingInGroup(1), 0);
    EXPECT_EQ(output.play(a, 1, 0), -1);
}

} // namespace
} // namespace vael::platform
