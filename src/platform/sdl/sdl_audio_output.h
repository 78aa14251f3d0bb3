#pragma once
// The real audio output on SDL2_mixer: every sound is a mixer chunk converted once to the device's format,
// every play takes a free mixer channel, and the channel joins the mixer's channel group of the sound
// group it plays for.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio_output.h"

struct Mix_Chunk;

namespace vael::platform {

class SdlAudioOutput : public AudioOutput {
public:
    // Mixer channels: more than the loops and effects a battle has sounding at once.
    static constexpr int Channels = 32;

    SdlAudioOutput() = default;
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    bool open(std::string& error) override;
    void close() override;
    bool isOpen() const override { return open_; }
    int loadSound(const std::string& name, const PcmSound& sound, std::string& error) override;
    void freeSound(int sound) override;
    int play(int sound, int group, int loops) override;
    void stopGroup(int group) override;
    void stopAll() override;
    int playingInGroup(int group) override;
    void setVolume(int volume) override;

private:
    struct Sound {
        std::vector<std::uint8_t> samples; // in the device's format; the chunk points into it
        Mix_Chunk* chunk = nullptr;
    };
    Sound* sound(int id);

    bool open_ = false;
    std::vector<std::unique_ptr<Sound>> sounds_; // id - 1; freed entries are null
    std::vector<int> groups_;                    // the group of each channel's latest play
    int volume_ = MaxVolume;
};

} // namespace vael::platform
