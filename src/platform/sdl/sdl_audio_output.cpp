#include "platform/sdl/sdl_audio_output.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstring>

namespace vael::platform {

SdlAudioOutput::~SdlAudioOutput() {
    close();
}

bool SdlAudioOutput::open(std::string& error) {
    if (open_) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, AUDIO_S16SYS, 2, 1024) != 0) {
        error = Mix_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(Channels);
    groups_.assign(Channels, -1);
    open_ = true;
    Mix_Volume(-1, volume_);
    return true;
}

void SdlAudioOutput::close() {
    if (!open_) return;
    Mix_HaltChannel(-1);
    for (auto& s : sounds_)
        if (s) Mix_FreeChunk(s->chunk);
    sounds_.clear();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    open_ = false;
}

SdlAudioOutput::Sound* SdlAudioOutput::sound(int id) {
    if (id < 1 || std::size_t(id) > sounds_.size()) return nullptr;
    return sounds_[id - 1].get();
}

int SdlAudioOutput::loadSound(const std::string& name, const PcmSound& pcm, std::string& error) {
    if (!open_) {
        error = "the audio output is not open";
        return 0;
    }
    SDL_AudioFormat from;
    if (pcm.bitsPerSample == 8)
        from = AUDIO_U8;
    else if (pcm.bitsPerSample == 16)
        from = AUDIO_S16LSB;
    else {
        error = name + ": " + std::to_string(pcm.bitsPerSample) + "-bit samples cannot be played";
        return 0;
    }
    int rate = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, from, Uint8(pcm.channels), int(pcm.rate), format, Uint8(channels), rate) <
        0) {
        error = name + ": " + SDL_GetError();
        return 0;
    }
    auto s = std::make_unique<Sound>();
    const std::size_t frame = std::size_t(pcm.channels) * (pcm.bitsPerSample / 8);
    const std::size_t length = frame ? pcm.data.size() / frame * frame : 0;
    s->samples.assign(length * std::size_t(cvt.len_mult) + 16, 0);
    if (length) std::memcpy(s->samples.data(), pcm.data.data(), length);
    cvt.buf = s->samples.data();
    cvt.len = int(length);
    if (cvt.needed && SDL_ConvertAudio(&cvt) != 0) {
        error = name + ": " + SDL_GetError();
        return 0;
    }
    const Uint32 converted = cvt.needed ? Uint32(cvt.len_cvt) : Uint32(length);
    s->chunk = Mix_QuickLoad_RAW(s->samples.data(), converted);
    if (!s->chunk) {
        error = name + ": " + Mix_GetError();
        return 0;
    }
    sounds_.push_back(std::move(s));
    return int(sounds_.size());
}

void SdlAudioOutput::freeSound(int id) {
    Sound* s = sound(id);
    if (!s) return;
    Mix_FreeChunk(s->chunk); // halts the channels that play it first
    sounds_[id - 1].reset();
}

int SdlAudioOutput::play(int id, int group, int loops) {
    Sound* s = sound(id);
    if (!open_ || !s) return -1;
    const int channel = Mix_PlayChannel(-1, s->chunk, loops);
    if (channel < 0 || channel >= Channels) return -1;
    Mix_GroupChannel(channel, group);
    groups_[std::size_t(channel)] = group;
    return channel;
}

void SdlAudioOutput::stopGroup(int group) {
    if (open_) Mix_HaltGroup(group);
}

void SdlAudioOutput::stopAll() {
    if (open_) Mix_HaltChannel(-1);
}

int SdlAudioOutput::playingInGroup(int group) {
    if (!open_) return 0;
    int n = 0;
    for (int c = 0; c < Channels; ++c)
        n += groups_[std::size_t(c)] == group && Mix_Playing(c);
    return n;
}

void SdlAudioOutput::setVolume(int volume) {
    volume_ = volume < 0 ? 0 : volume > MaxVolume ? MaxVolume : volume;
    if (open_) Mix_Volume(-1, volume_);
}

} // namespace vael::platform
