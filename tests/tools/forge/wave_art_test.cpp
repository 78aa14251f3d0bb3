// The forge's waves: the writer against hand-written bytes, and every forged wave read back by the
// program's wave reader, the same on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "framework/sound/wave_file.h"
#include "tools/forge/wave_art.h"

namespace vael::test {
namespace {

TEST(WaveArtTest, TheWriterGivesTheHandWrittenBytes) {
    const forge::Bytes expected{'R', 'I', 'F',  'F',  42, 0,    0,    0,    'W',  'A',  'V', 'E',  'f',
                                'm', 't', ' ',  16,   0,  0,    0,    1,    0,    1,    0,   0x40, 0x1F,
                                0,   0,   0x80, 0x3E, 0,  0,    2,    0,    16,   0,    'd', 'a',  't',
                                'a', 6,   0,    0,    0,  0x01, 0x00, 0xFF, 0xFF, 0x00, 0x80};
    EXPECT_EQ(forge::waveBytes({1, -1, -32768}, 8000), expected);
    EXPECT_EQ(forge::waveBytes({}, 22050).size(), 44u);
}

TEST(WaveArtTest, EveryForgedWaveReadsBackAtFullScaleAndTheSameEveryTime) {
    const auto waves = forge::forgedWaves();
    EXPECT_EQ(waves.size(), 27u);
    std::set<std::string> names;
    for (const auto& wave : waves) {
        SCOPED_TRACE(wave.file);
        names.insert(wave.file);
        std::string error;
        const auto sound = WaveFile::parse(wave.bytes.data(), wave.bytes.size(), error);
        ASSERT_TRUE(sound) << error;
        EXPECT_EQ(sound->rate, 22050u);
        EXPECT_EQ(sound->channels, 1);
        EXPECT_EQ(sound->bitsPerSample, 16);
        // Every wave is scaled so that its loudest sample is 0.8 of full scale: 26214.
        int peak = 0;
        for (std::size_t i = 0; i + 1 < sound->data.size(); i += 2)
            peak = std::max(peak, std::abs(int(std::int16_t(sound->data[i] | sound->data[i + 1] << 8))));
        EXPECT_EQ(peak, 26214);
        EXPECT_GE(sound->data.size(), 2u * 22050 / 10); // none shorter than a tenth of a second
    }
    EXPECT_EQ(names.size(), waves.size());
    const auto again = forge::forgedWaves();
    for (std::size_t i = 0; i < waves.size(); ++i)
        EXPECT_EQ(again[i].bytes, waves[i].bytes) << waves[i].file;
}

TEST(WaveArtTest, TheLoopsLastWholeBeats) {
    // The loops come round without a seam only if they hold whole bars: 2 s of march (four steps), 2.4 s
    // of gallop (four strides), 3 s of melee, 2 s of wading.
    const std::pair<const char*, std::size_t> loops[] = {
        {"march.wav", 44100}, {"gallop.wav", 52920}, {"melee.wav", 66150}, {"splashloop.wav", 44100}};
    const auto waves = forge::forgedWaves();
    for (const auto& loop : loops) {
        // Named, not bound: the lambda below takes the name, and clang refuses to capture a binding.
        const std::string file = loop.first;
        SCOPED_TRACE(file);
        const auto it =
            std::find_if(waves.begin(), waves.end(), [&](const auto& w) { return w.file == file; });
        ASSERT_NE(it, waves.end());
        EXPECT_EQ(it->bytes.size(), 44 + 2 * loop.second);
    }
}

} // namespace
} // namespace vael::test
