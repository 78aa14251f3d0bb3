#include "framework/sound/windows_audio.h"

#include "framework/core/debug_stream.h"
#include "framework/sound/wave_file.h"
#include "platform/file_lookup.h"

namespace vael {

WindowsAudio::WindowsAudio(platform::AudioOutput* output, std::filesystem::path dataDirectory)
    : output_(output), directory_(std::move(dataDirectory)) {
    std::string error;
    if (output_ && !output_->open(error)) {
        report("No audio output (" + error + "): the game plays without sound");
        output_ = nullptr;
    }
}

WindowsAudio::~WindowsAudio() {
    closeAll();
    if (output_) output_->close();
}

void WindowsAudio::report(const std::string& problem) {
    problems_.push_back(problem);
    debugStream() << problem << '\n';
    debugStream().flush();
}

int WindowsAudio::load(const std::string& name) {
    if (!output_) return 0;
    if (auto known = loaded_.find(name); known != loaded_.end()) return known->second;
    int id = 0;
    std::string error;
    const auto file = platform::findFileNoCase(directory_, name);
    if (!file) {
        error = "there is no such file in " + directory_.string();
    } else if (const auto sound = WaveFile::read(*file, error)) {
        id = output_->loadSound(name, *sound, error);
    }
    if (id == 0) report("The wave \"" + name + "\" stays silent: " + error);
    loaded_[name] = id;
    return id;
}

int WindowsAudio::play(int sound, int group, int loops) {
    if (!output_ || sound == 0) return -1;
    return output_->play(sound, group, loops);
}

void WindowsAudio::closeAll() {
    if (!output_) return;
    output_->stopAll();
    // Refused waves stay refused: they were reported once and are not read again.
    for (auto it = loaded_.begin(); it != loaded_.end();) {
        if (it->second == 0) {
            ++it;
            continue;
        }
        output_->freeSound(it->second);
        it = loaded_.erase(it);
    }
}

void WindowsAudio::stopGroup(int group) {
    if (output_) output_->stopGroup(group);
}

int WindowsAudio::playingInGroup(int group) {
    return output_ ? output_->playingInGroup(group) : 0;
}

void WindowsAudio::setVolume(int volume) {
    if (output_) output_->setVolume(volume);
}

} // namespace vael
