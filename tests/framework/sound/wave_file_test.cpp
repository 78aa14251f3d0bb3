// The wave reader against hand-written files: what it takes, and every way a file can fail to add up.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "framework/sound/wave_file.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// 22050 samples a second, 16-bit mono, two samples: 1 and -1.
const Bytes goodWave{'R', 'I', 'F', 'F', 40,  0,   0,   0,   'W',  'A',  'V', 'E', 'f',  'm',  't',  ' ',
                     16,  0,   0,   0,   1,   0,   1,   0,   0x22, 0x56, 0,   0,   0x44, 0xAC, 0,    0,
                     2,   0,   16,  0,   'd', 'a', 't', 'a', 4,    0,    0,   0,   0x01, 0x00, 0xFF, 0xFF};

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = std::uint8_t(v), b[at + 1] = std::uint8_t(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (8 * i));
}

std::optional<platform::PcmSound> parse(const Bytes& b, std::string& error) {
    return WaveFile::parse(b.data(), b.size(), error);
}

TEST(WaveFileTest, TheHandWrittenWaveGivesItsSamples) {
    std::string error;
    const auto sound = parse(goodWave, error);
    ASSERT_TRUE(sound) << error;
    EXPECT_EQ(sound->rate, 22050u);
    EXPECT_EQ(sound->channels, 1);
    EXPECT_EQ(sound->bitsPerSample, 16);
    EXPECT_EQ(sound->data, (Bytes{0x01, 0x00, 0xFF, 0xFF}));
}

TEST(WaveFileTest, UnknownChunksAreSkippedWithTheirPadByte) {
    // A "LIST" chunk of 3 bytes and its pad byte between the format and the samples; 8-bit stereo.
    Bytes b(goodWave.begin(), goodWave.begin() + 36);
    put16(b, 22, 2), put32(b, 24, 8000), put32(b, 28, 16000), put16(b, 32, 2), put16(b, 34, 8);
    const Bytes tail{'L', 'I', 'S', 'T', 3,   0, 0, 0, 'a', 'b',  'c',
                     0,   'd', 'a', 't', 'a', 2, 0, 0, 0,   0x80, 0x7F};
    b.insert(b.end(), tail.begin(), tail.end());
    put32(b, 4, std::uint32_t(b.size() - 8));
    std::string error;
    const auto sound = parse(b, error);
    ASSERT_TRUE(sound) << error;
    EXPECT_EQ(sound->rate, 8000u);
    EXPECT_EQ(sound->channels, 2);
    EXPECT_EQ(sound->bitsPerSample, 8);
    EXPECT_EQ(sound->data, (Bytes{0x80, 0x7F}));
}

TEST(WaveFileTest, DamagedFilesAreRefusedWithTheirReason) {
    struct Row {
        const char* what;
        std::function<void(Bytes&)> damage;
        const char* reason; // empty: the file is taken
    };
    const Row rows[] = {
        {"empty", [](Bytes& b) { b.clear(); }, "not a RIFF wave file"},
        {"eleven bytes", [](Bytes& b) { b.resize(11); }, "not a RIFF wave file"},
        {"RIFX", [](Bytes& b) { b[3] = 'X'; }, "not a RIFF wave file"},
        {"AVI", [](Bytes& b) { b[8] = 'A', b[9] = 'V', b[10] = 'I', b[11] = ' '; }, "not a RIFF wave file"},
        {"RIFF size one past the file", [](Bytes& b) { put32(b, 4, 41); },
         "the wave file is cut short: it should hold 49 bytes but holds 48"},
        {"last byte cut off", [](Bytes& b) { b.pop_back(); },
         "the wave file is cut short: it should hold 48 bytes but holds 47"},
        {"RIFF size of 4 GB", [](Bytes& b) { put32(b, 4, 0xFFFFFFFF); }, "cut short"},
        {"data chunk past the RIFF end", [](Bytes& b) { put32(b, 40, 5); },
         "the wave file ends inside its chunk \"data\""},
        {"format chunk of 4 GB", [](Bytes& b) { put32(b, 16, 0xFFFFFFF0); },
         "the wave file ends inside its chunk \"fmt \""},
        {"format chunk of 15 bytes", [](Bytes& b) { put32(b, 16, 15); },
         "the wave's format chunk is too short (15 bytes)"},
        {"floating-point samples", [](Bytes& b) { put16(b, 20, 3); },
         "the wave's samples are not PCM (format 3)"},
        {"no channels", [](Bytes& b) { put16(b, 22, 0); }, "a wave of 0 channels cannot be played"},
        {"three channels", [](Bytes& b) { put16(b, 22, 3); }, "a wave of 3 channels cannot be played"},
        {"24-bit samples", [](Bytes& b) { put16(b, 34, 24); }, "a wave of 24-bit samples cannot be played"},
        {"4-bit samples", [](Bytes& b) { put16(b, 34, 4); }, "a wave of 4-bit samples cannot be played"},
        {"no samples a second", [](Bytes& b) { put32(b, 24, 0), put32(b, 28, 0); },
         "a wave of 0 samples a second cannot be played"},
        {"one sample a second", [](Bytes& b) { put32(b, 24, 1), put32(b, 28, 2); }, ""},
        {"192000 a second", [](Bytes& b) { put32(b, 24, 192000), put32(b, 28, 384000); }, ""},
        {"192001 a second", [](Bytes& b) { put32(b, 24, 192001), put32(b, 28, 384002); },
         "a wave of 192001 samples a second cannot be played"},
        {"block of 3 bytes", [](Bytes& b) { put16(b, 32, 3); },
         "the wave's format does not add up (block 3, 44100 bytes a second)"},
        {"bytes a second one short", [](Bytes& b) { put32(b, 28, 44099); },
         "the wave's format does not add up (block 2, 44099 bytes a second)"},
        {"samples before the format",
         [](Bytes& b) {
             Bytes swapped(b.begin(), b.begin() + 12);
             swapped.insert(swapped.end(), b.begin() + 36, b.end());
             swapped.insert(swapped.end(), b.begin() + 12, b.begin() + 36);
             b = swapped;
         },
         "the wave's samples come before their format"},
        {"data ends inside a sample", [](Bytes& b) { put32(b, 40, 3); },
         "the wave's data chunk ends inside a sample"},
        {"no data chunk", [](Bytes& b) { b[36] = 'D'; }, "the wave file has no data chunk"},
        {"no format chunk", [](Bytes& b) { b[12] = 'F', b[36] = 'D'; }, "the wave file has no format chunk"},
        {"format chunk renamed", [](Bytes& b) { b[12] = 'F'; },
         "the wave's samples come before their format"},
        {"RIFF ends before the data", [](Bytes& b) { put32(b, 4, 28); }, "the wave file has no data chunk"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes b = goodWave;
        row.damage(b);
        std::string error;
        const auto sound = parse(b, error);
        if (*row.reason == '\0') {
            EXPECT_TRUE(sound) << error;
        } else {
            EXPECT_FALSE(sound);
            EXPECT_NE(error.find(row.reason), std::string::npos) << error;
        }
    }
}

TEST(WaveFileTest, AFileIsReadOrRefusedByName) {
    TempDir dir("wave-file");
    {
        std::ofstream(dir / "good.wav", std::ios::binary)
            .write(reinterpret_cast<const char*>(goodWave.data()), 48);
        std::ofstream(dir / "short.wav", std::ios::binary)
            .write(reinterpret_cast<const char*>(goodWave.data()), 40);
    }
    std::string error;
    ASSERT_TRUE(WaveFile::read(dir / "good.wav", error)) << error;
    EXPECT_FALSE(WaveFile::read(dir / "short.wav", error));
    EXPECT_EQ(error, (dir / "short.wav").string() +
                         ": the wave file is cut short: it should hold 48 bytes but holds 40");
    EXPECT_FALSE(WaveFile::read(dir / "none.wav", error));
    EXPECT_EQ(error, (dir / "none.wav").string() + ": cannot be opened");
}

} // namespace
} // namespace vael::test
