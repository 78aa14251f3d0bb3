#pragma once
// The sound classes over the platform's audio output: waves are read from the data directory on first
// use and kept. A machine without audio, or a wave that is missing or damaged, is reported once on the
// trace and is silent from then on; the game never stops for a sound.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "framework/sound/audio.h"
#include "platform/audio_output.h"

namespace vael {

class WindowsAudio : public Audio {
public:
    // The output is not owned and may be null (silence); it is opened here.
    WindowsAudio(platform::AudioOutput* output, std::filesystem::path dataDirectory);
    ~WindowsAudio() override;

    int load(const std::string& name) override;
    int play(int sound, int group, int loops) override;
    void closeAll() override;

    void stopGroup(int group);
    int playingInGroup(int group);
    // 0 .. platform::AudioOutput::MaxVolume.
    void setVolume(int volume);
    // Whether anything can be heard at all.
    bool audible() const { return output_ != nullptr; }
    // What was reported on the trace, in order.
    const std::vector<std::string>& problems() const { return problems_; }

private:
    void report(const std::string& problem);

    platform::AudioOutput* output_;
    std::filesystem::path directory_;
    std::map<std::string, int> loaded_; // 0: refused, and not tried again
    std::vector<std::string> problems_;
};

} // namespace vael
