#pragma once
// The display objects' calls on their figures, in one place: a frame event (moves and in-place frames by
// name), a sound event, and the sound lead. Every display object queues through these, so the sprite's own
// names for them are met only here.
#include <cstdint>

#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "game/map/frame_info.h"
#include "game/map/vael_sprite.h"

namespace vael::sprite_calls {

// Depth -1 keeps the figure's drawing depth.
inline void addFrameEvent(VaelSprite& sprite, std::int16_t hex, const Point4D& target,
                          const List<FrameInfo>& frames, std::int16_t depth, std::uint16_t kind,
                          std::uint16_t repeat) {
    sprite.addNamedEvent(hex, target, frames, depth, kind, repeat);
}

inline void addSoundEvent(VaelSprite& sprite, std::int32_t event, std::uint16_t argument) {
    sprite.addSound(event, argument);
}

inline void addPlainEvent(VaelSprite& sprite, std::uint16_t kind) {
    sprite.addSimpleEvent(kind);
}

// Only the sound-lead figure of a formation plays every sound of its events.
inline void setSoundLead(VaelSprite& sprite, bool lead) {
    sprite.setFlag(lead ? 1 : 0);
}

inline bool isSoundLead(const VaelSprite& sprite) {
    return sprite.getFlag() != 0;
}

inline List<FrameInfo> oneFrame(const std::string& group, std::int16_t index) {
    List<FrameInfo> frames;
    frames.append(FrameInfo(group, index));
    return frames;
}

} // namespace vael::sprite_calls
