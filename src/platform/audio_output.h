#pragma once
// The machine's audio output: sounds loaded once as samples, played on mixer channels, each play tagged
// with the number of the sound group it belongs to so that a whole group can be asked about or stopped at
// once. The SDL2 backend mixes through SDL2_mixer; the headless one records every call and opens no
// device. A machine without audio is not an error for the program: open fails with a reason, and the
// caller goes on in silence.
#include <cstdint>
#include <string>
#include <vector>

namespace vael::platform {

// Samples as they come from a wave file: interleaved, 8-bit unsigned or 16-bit signed little-endian.
struct PcmSound {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bitsPerSample = 0;
    std::vector<std::uint8_t> data;
};

class AudioOutput {
public:
    // The highest volume; 0 is silence.
    static constexpr int MaxVolume = 128;
    // A play that repeats until stopped.
    static constexpr int Forever = -1;

    virtual ~AudioOutput() = default;

    // Opens the device; false, with the reason, when there is none. Nothing plays until it is open.
    virtual bool open(std::string& error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Loads the samples under a name (for traces and the tests); answers the sound's id (never 0), or 0,
    // with the reason, when the device cannot take them.
    virtual int loadSound(const std::string& name, const PcmSound& sound, std::string& error) = 0;
    virtual void freeSound(int sound) = 0;
    // Plays a sound on a free channel, once (loops 0), loops more times, or Forever; the channel joins the
    // group `group` (>= 0). Answers the channel, or -1 when none is free or the sound is unknown.
    virtual int play(int sound, int group, int loops) = 0;
    // Stops every channel of the group.
    virtual void stopGroup(int group) = 0;
    virtual void stopAll() = 0;
    // How many channels of the group are still sounding.
    virtual int playingInGroup(int group) = 0;
    // The volume of every channel, 0 .. MaxVolume.
    virtual void setVolume(int volume) = 0;
};

} // namespace vael::platform
