// The sound classes over the recording output: waves found without regard to case, read once, and every
// wave that cannot be had reported once on the trace and silent from then on.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "framework/core/debug_stream.h"
#include "framework/sound/windows_audio.h"
#include "platform/headless/headless_audio_output.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

using platform::HeadlessAudioOutput;
using Op = HeadlessAudioOutput::Op;
using Bytes = std::vector<std::uint8_t>;

// 8000 samples a second, 8-bit mono, three samples.
const Bytes tinyWave{'R', 'I', 'F', 'F', 39,  0,   0,   0,   'W',  'A',  'V', 'E', 'f',  'm',  't', ' ',
                     16,  0,   0,   0,   1,   0,   1,   0,   0x40, 0x1F, 0,   0,   0x40, 0x1F, 0,   0,
                     1,   0,   8,   0,   'd', 'a', 't', 'a', 3,    0,    0,   0,   0x80, 0xFF, 0x00};

void write(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<Op> ops(const HeadlessAudioOutput& output) {
    std::vector<Op> out;
    for (const auto& c : output.calls)
        out.push_back(c.op);
    return out;
}

class WindowsAudioTest : public ::testing::Test {
protected:
    TempDir dir{"windows-audio"};
    HeadlessAudioOutput output;
};

TEST_F(WindowsAudioTest, AWaveIsReadOnceAndPlayedInItsGroup) {
    write(dir / "bow.wav", tinyWave);
    WindowsAudio audio(&output, dir.path());
    const int bow = audio.load("BOW.WAV");
    ASSERT_NE(bow, 0);
    EXPECT_EQ(audio.load("BOW.WAV"), bow);
    ASSERT_NE(output.loaded("BOW.WAV"), nullptr);
    EXPECT_EQ(output.loaded("BOW.WAV")->data, (Bytes{0x80, 0xFF, 0x00}));
    EXPECT_EQ(output.loaded("BOW.WAV")->rate, 8000u);
    EXPECT_EQ(audio.play(bow, 7, 0), 0);
    EXPECT_EQ(audio.play(bow, 8, -1), 1);
    EXPECT_EQ(audio.playingInGroup(7), 1);
    output.runOut();
    EXPECT_EQ(audio.playingInGroup(7), 0);
    EXPECT_EQ(audio.playingInGroup(8), 1);
    audio.stopGroup(8);
    EXPECT_EQ(audio.playingInGroup(8), 0);
    EXPECT_EQ(ops(output), (std::vector<Op>{Op::Open, Op::Load, Op::Play, Op::Play, Op::StopGroup}));
    EXPECT_TRUE(audio.problems().empty());
}

TEST_F(WindowsAudioTest, MissingAndDamagedWavesAreReportedOnceOnTheTraceAndStaySilent) {
    write(dir / "broken.wav", Bytes(tinyWave.begin(), tinyWave.end() - 1));
    debugStream().rdbuf()->open((dir / "trace").c_str());
    {
        WindowsAudio audio(&output, dir.path());
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            EXPECT_EQ(audio.load("broken.wav"), 0);
            EXPECT_EQ(audio.load("gone.wav"), 0);
            EXPECT_EQ(audio.play(0, 1, 0), -1);
        }
        ASSERT_EQ(audio.problems().size(), 2u);
        EXPECT_EQ(audio.problems()[0],
                  "The wave \"broken.wav\" stays silent: " + (dir / "broken.wav").string() +
                      ": the wave file is cut short: it should hold 47 bytes but holds 46");
        EXPECT_EQ(audio.problems()[1],
                  "The wave \"gone.wav\" stays silent: there is no such file in " + dir.path().string());
        // Closing everything does not bring the refused waves back to be reported again.
        audio.closeAll();
        EXPECT_EQ(audio.load("broken.wav"), 0);
        EXPECT_EQ(audio.problems().size(), 2u);
    }
    debugStream().rdbuf()->open(nullptr);
    std::ifstream trace(dir / "trace");
    const std::string text{std::istreambuf_iterator<char>(trace), {}};
    EXPECT_EQ(text, "The wave \"broken.wav\" stays silent: " + (dir / "broken.wav").string() +
                        ": the wave file is cut short: it should hold 47 bytes but holds 46\n"
                        "The wave \"gone.wav\" stays silent: there is no such file in " +
                        dir.path().string() + "\n");
    // Nothing refused ever reached the output.
    EXPECT_EQ(ops(output), (std::vector<Op>{Op::Open, Op::StopAll, Op::StopAll, Op::Close}));
}

TEST_F(WindowsAudioTest, WithoutADeviceOneLineIsReportedAndNothingIsTried) {
    write(dir / "bow.wav", tinyWave);
    output.noDevice = true;
    WindowsAudio audio(&output, dir.path());
    EXPECT_FALSE(audio.audible());
    EXPECT_EQ(audio.load("bow.wav"), 0);
    EXPECT_EQ(audio.play(1, 0, 0), -1);
    audio.setVolume(10);
    audio.stopGroup(0);
    EXPECT_EQ(audio.problems(),
              (std::vector<std::string>{"No audio output (no audio device): the game plays without sound"}));
    EXPECT_EQ(ops(output), (std::vector<Op>{Op::Open}));
}

TEST_F(WindowsAudioTest, ClosingAllStopsAndFreesTheWavesWhichAreReadAgainWhenNext) {
    write(dir / "bow.wav", tinyWave);
    WindowsAudio audio(&output, dir.path());
    audio.play(audio.load("bow.wav"), 0, -1);
    audio.closeAll();
    EXPECT_EQ(output.playingInGroup(0), 0);
    EXPECT_EQ(output.loaded("bow.wav"), nullptr);
    EXPECT_NE(audio.load("bow.wav"), 0);
    EXPECT_EQ(ops(output), (std::vector<Op>{Op::Open, Op::Load, Op::Play, Op::StopAll, Op::Free, Op::Load}));
}

} // namespace
} // namespace vael::test
