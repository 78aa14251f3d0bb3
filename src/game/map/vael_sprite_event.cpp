#include "game/map/vael_sprite_event.h"

#include "framework/core/super_string.h"

namespace vael {

SuperString& operator<<(SuperString& s, const SoundEvent& v) {
    return s << v.event << static_cast<unsigned short>(v.param);
}

SuperString& operator>>(SuperString& s, SoundEvent& v) {
    int event = 0;
    unsigned short param = 0;
    s >> event >> param;
    if (s.failed()) return s;
    v.event = event;
    v.param = param;
    return s;
}

SuperString& operator<<(SuperString& s, const VaelSpriteEvent& v) {
    s << v.sound << static_cast<short>(v.frames.count());
    Item<FrameInfo>* n = nullptr;
    v.frames.firstItem(n);
    for (; n; n = n->next)
        s << n->value;
    return s;
}

SuperString& operator>>(SuperString& s, VaelSpriteEvent& v) {
    SoundEvent sound;
    s >> sound;
    short count = 0;
    s >> count;
    if (s.failed() || count < 0) {
        s.setFailed();
        return s;
    }
    List<FrameInfo> frames;
    for (short i = 0; i < count; ++i) {
        FrameInfo f;
        s >> f;
        if (s.failed()) return s;
        frames.append(f);
    }
    v.sound = sound;
    v.frames = frames;
    return s;
}

} // namespace vael
