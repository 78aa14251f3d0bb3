#pragma once
// The reader of RIFF wave files: uncompressed PCM, 8 or 16 bits, one or two channels. Chunks it does not
// know are skipped; anything that does not add up (a chunk longer than the file, a format it cannot play,
// samples before their format) is refused with the reason, never half read.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/audio_output.h"

namespace vael {

class WaveFile {
public:
    static constexpr std::uint16_t PcmFormat = 1;
    static constexpr std::uint32_t MaxRate = 192000;

    // The samples of a wave file's bytes, or nothing with the reason in error.
    static std::optional<platform::PcmSound> parse(const std::uint8_t* bytes, std::size_t size,
                                                   std::string& error);
    // The same from a file; the reason names the file.
    static std::optional<platform::PcmSound> read(const std::filesystem::path& file, std::string& error);
};

} // namespace vael
