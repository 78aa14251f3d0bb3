#pragma once
// The game's sound effects and loops, synthesised: every wave the sound manager plays, as the bytes of a
// RIFF wave file (PCM, 16 bits, mono, WaveRate samples a second). The noise comes from a generator of the
// forge's own, so the bytes are the same on every run and every machine.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/forge/archive_writer.h"

namespace vael::forge {

constexpr std::uint32_t WaveRate = 22050;

struct ForgedWave {
    std::string file;
    Bytes bytes;
};

// A RIFF wave file of 16-bit mono samples.
Bytes waveBytes(const std::vector<std::int16_t>& samples, std::uint32_t rate = WaveRate);

// Every wave of the data set, in a fixed order.
std::vector<ForgedWave> forgedWaves();

} // namespace vael::forge
