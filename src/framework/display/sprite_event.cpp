#include "framework/display/sprite_event.h"

namespace vael {

SpriteEvent::SpriteEvent(std::uint16_t region, const Point4D& target, const List<Bitmap*>& frames,
                         std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames,
                         ContainerBase* payload)
    : region(region), target(target), frames(frames), kind(kind), newLayer(newLayer),
      restartFrames(restartFrames), payload_(payload) {}

SpriteEvent::SpriteEvent(ContainerBase* payload) : payload_(payload) {}

SpriteEvent::SpriteEvent(const SpriteEvent& other)
    : region(other.region), target(other.target), frames(other.frames), kind(other.kind),
      newLayer(other.newLayer), restartFrames(other.restartFrames),
      payload_(other.payload_ ? other.payload_->clone() : nullptr) {}

SpriteEvent& SpriteEvent::operator=(const SpriteEvent& other) {
    if (this == &other) return *this;
    region = other.region;
    target = other.target;
    frames = other.frames;
    kind = other.kind;
    newLayer = other.newLayer;
    restartFrames = other.restartFrames;
    payload_.reset(other.payload_ ? other.payload_->clone() : nullptr);
    return *this;
}

bool SpriteEvent::operator==(const SpriteEvent& other) const {
    return target == other.target && frames == other.frames && newLayer == other.newLayer &&
           restartFrames == other.restartFrames;
}

} // namespace vael
