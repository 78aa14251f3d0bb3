#pragma once
// What every sound class offers, whatever plays the sounds: load a wave, play it, close everything.
#include <string>

namespace vael {

class Audio {
public:
    virtual ~Audio() = default;

    // Loads the named wave; its id, 0 when it cannot be played.
    virtual int load(const std::string& name) = 0;
    // Plays a loaded wave in a sound group, once, `loops` more times, or until stopped (-1); the channel
    // it sounds on, or -1.
    virtual int play(int sound, int group, int loops) = 0;
    // Stops every sound and lets go of every wave.
    virtual void closeAll() = 0;
};

} // namespace vael
