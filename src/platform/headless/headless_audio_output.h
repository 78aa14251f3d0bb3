#pragma once
// Audio output with no device, for the tests: every call is recorded in order, and channels only stop
// sounding when stopped or when the test lets the sounds that do not loop run out.
#include <string>
#include <vector>

#include "platform/audio_output.h"

namespace vael::platform {

class HeadlessAudioOutput : public AudioOutput {
public:
    enum class Op { Open, Close, Load, Free, Play, StopGroup, StopAll, Volume };
    // One call: the sound's name for Load, Free and Play; the group for Play and StopGroup; the loops of a
    // Play, or the volume.
    struct Call {
        Op op;
        std::string sound;
        int group = -1;
        int value = 0;
        friend bool operator==(const Call&, const Call&) = default;
    };

    explicit HeadlessAudioOutput(int channels = 16) : channels_(std::size_t(channels)) {}

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

    // The test's side.
    // Every channel that does not repeat forever falls silent, as if its sound had run out.
    void runOut();
    // The plays of the record, as "name@group" (with "*" after a play that repeats forever).
    std::vector<std::string> plays() const;
    // The samples loaded under a name, or null.
    const PcmSound* loaded(const std::string& name) const;

    std::vector<Call> calls;
    bool noDevice = false; // open fails, as on a machine without audio
    int volume = MaxVolume;

private:
    struct Channel {
        int sound = 0, group = -1, loops = 0;
        bool sounding = false;
    };
    struct Sound {
        std::string name;
        PcmSound samples;
        bool live = false;
    };
    std::vector<Channel> channels_;
    std::vector<Sound> sounds_; // id - 1
    bool open_ = false;
};

} // namespace vael::platform
