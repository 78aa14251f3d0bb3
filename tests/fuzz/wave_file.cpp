// Arbitrary bytes as a wave file: the reader takes them or refuses them with a reason; what it takes adds
// up (whole frames of a format it can play, no more bytes than were given).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/sound/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto sound = vael::WaveFile::parse(data, size, error);
    if (!sound) {
        if (error.empty()) std::abort();
        return 0;
    }
    const std::size_t frame = std::size_t(sound->channels) * sound->bitsPerSample / 8;
    if (sound->channels < 1 || sound->channels > 2 ||
        (sound->bitsPerSample != 8 && sound->bitsPerSample != 16) || sound->rate < 1 ||
        sound->rate > vael::WaveFile::MaxRate || sound->data.size() % frame != 0 ||
        sound->data.size() + 44 > size)
        std::abort();
    return 0;
}
