#include "framework/sound/wave_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "framework/core/read_file.h"

namespace vael {

namespace {

std::uint32_t u32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t u16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

std::string chunkName(const std::uint8_t* p) {
    std::string name;
    for (int i = 0; i < 4; ++i)
        name += (p[i] >= 32 && p[i] < 127) ? char(p[i]) : '?';
    return name;
}

} // namespace

std::optional<platform::PcmSound> WaveFile::parse(const std::uint8_t* bytes, std::size_t size,
                                                  std::string& error) {
    if (size < 12 || chunkName(bytes) != "RIFF" || chunkName(bytes + 8) != "WAVE") {
        error = "not a RIFF wave file";
        return std::nullopt;
    }
    // The RIFF size counts from byte 8; a file cut short is refused rather than played in part.
    const std::uint64_t riffEnd = std::uint64_t(u32(bytes + 4)) + 8;
    if (riffEnd > size) {
        error = "the wave file is cut short: it should hold " + std::to_string(riffEnd) +
                " bytes but holds " + std::to_string(size);
        return std::nullopt;
    }
    platform::PcmSound sound;
    bool haveFormat = false, haveData = false;
    std::size_t at = 12;
    while (at + 8 <= riffEnd && !haveData) {
        const std::string name = chunkName(bytes + at);
        const std::uint64_t length = u32(bytes + at + 4);
        const std::size_t body = at + 8;
        if (body + length > riffEnd) {
            error = "the wave file ends inside its chunk \"" + name + "\"";
            return std::nullopt;
        }
        if (name == "fmt ") {
            if (length < 16) {
                error = "the wave's format chunk is too short (" + std::to_string(length) + " bytes)";
                return std::nullopt;
            }
            const std::uint8_t* f = bytes + body;
            const std::uint16_t format = u16(f), channels = u16(f + 2), align = u16(f + 12),
                                bits = u16(f + 14);
            const std::uint32_t rate = u32(f + 4), byteRate = u32(f + 8);
            if (format != PcmFormat) {
                error = "the wave's samples are not PCM (format " + std::to_string(format) + ")";
                return std::nullopt;
            }
            if (channels < 1 || channels > 2) {
                error = "a wave of " + std::to_string(channels) + " channels cannot be played";
                return std::nullopt;
            }
            if (bits != 8 && bits != 16) {
                error = "a wave of " + std::to_string(bits) + "-bit samples cannot be played";
                return std::nullopt;
            }
            if (rate < 1 || rate > MaxRate) {
                error = "a wave of " + std::to_string(rate) + " samples a second cannot be played";
                return std::nullopt;
            }
            if (align != channels * bits / 8 || byteRate != rate * align) {
                error = "the wave's format does not add up (block " + std::to_string(align) + ", " +
                        std::to_string(byteRate) + " bytes a second)";
                return std::nullopt;
            }
            sound.rate = rate;
            sound.channels = channels;
            sound.bitsPerSample = bits;
            haveFormat = true;
        } else if (name == "data") {
            if (!haveFormat) {
                error = "the wave's samples come before their format";
                return std::nullopt;
            }
            const std::size_t frame = std::size_t(sound.channels) * sound.bitsPerSample / 8;
            if (length % frame != 0) {
                error = "the wave's data chunk ends inside a sample";
                return std::nullopt;
            }
            sound.data.assign(bytes + body, bytes + body + length);
            haveData = true;
        }
        at = body + std::size_t(length) + (length & 1); // chunks are padded to an even length
    }
    if (!haveFormat) {
        error = "the wave file has no format chunk";
        return std::nullopt;
    }
    if (!haveData) {
        error = "the wave file has no data chunk";
        return std::nullopt;
    }
    return sound;
}

std::optional<platform::PcmSound> WaveFile::read(const std::filesystem::path& file, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!readFileBytes(file.string(), bytes, error, file_limits::Data)) {
        // What the file is, when the reader could tell (a folder, not a regular file, too large); else it
        // could not be opened.
        const std::string named = file.string() + " ";
        error = file.string() + ": " +
                (error.rfind(named, 0) == 0 ? error.substr(named.size()) : "cannot be opened");
        return std::nullopt;
    }
    auto sound = parse(bytes.data(), bytes.size(), error);
    if (!sound) error = file.string() + ": " + error;
    return sound;
}

} // namespace vael
