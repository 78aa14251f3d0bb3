#include "platform/headless/headless_audio_output.h"

namespace vael::platform {

bool HeadlessAudioOutput::open(std::string& error) {
    calls.push_back({Op::Open, {}});
    if (noDevice) {
        error = "no audio device";
        return false;
    }
    open_ = true;
    return true;
}

void HeadlessAudioOutput::close() {
    calls.push_back({Op::Close, {}});
    for (Channel& c : channels_)
        c.sounding = false;
    open_ = false;
}

int HeadlessAudioOutput::loadSound(const std::string& name, const PcmSound& sound, std::string& error) {
    calls.push_back({Op::Load, name});
    if (!open_) {
        error = "the audio output is not open";
        return 0;
    }
    sounds_.push_back({name, sound, true});
    return int(sounds_.size());
}

void HeadlessAudioOutput::freeSound(int sound) {
    if (sound < 1 || std::size_t(sound) > sounds_.size() || !sounds_[sound - 1].live) return;
    Sound& s = sounds_[sound - 1];
    calls.push_back({Op::Free, s.name});
    s.live = false;
    for (Channel& c : channels_)
        if (c.sound == sound) c.sounding = false;
}

int HeadlessAudioOutput::play(int sound, int group, int loops) {
    if (!open_ || sound < 1 || std::size_t(sound) > sounds_.size() || !sounds_[sound - 1].live) return -1;
    calls.push_back({Op::Play, sounds_[sound - 1].name, group, loops});
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        if (channels_[i].sounding) continue;
        channels_[i] = {sound, group, loops, true};
        return int(i);
    }
    return -1;
}

void HeadlessAudioOutput::stopGroup(int group) {
    calls.push_back({Op::StopGroup, {}, group});
    for (Channel& c : channels_)
        if (c.group == group) c.sounding = false;
}

void HeadlessAudioOutput::stopAll() {
    calls.push_back({Op::StopAll, {}});
    for (Channel& c : channels_)
        c.sounding = false;
}

int HeadlessAudioOutput::playingInGroup(int group) {
    int n = 0;
    for (const Channel& c : channels_)
        n += c.sounding && c.group == group;
    return n;
}

void HeadlessAudioOutput::setVolume(int v) {
    calls.push_back({Op::Volume, {}, -1, v});
    volume = v;
}

void HeadlessAudioOutput::runOut() {
    for (Channel& c : channels_)
        if (c.loops != Forever) c.sounding = false;
}

std::vector<std::string> HeadlessAudioOutput::plays() const {
    std::vector<std::string> out;
    for (const Call& c : calls)
        if (c.op == Op::Play)
            out.push_back(c.sound + "@" + std::to_string(c.group) + (c.value == Forever ? "*" : ""));
    return out;
}

const PcmSound* HeadlessAudioOutput::loaded(const std::string& name) const {
    for (const Sound& s : sounds_)
        if (s.live && s.name == name) return &s.samples;
    return nullptr;
}

} // namespace vael::platform
