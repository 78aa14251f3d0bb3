#pragma once
// One timed step of a sprite: a move, an animation, a hold or a change of the way it is drawn. The
// event owns its payload (deleted with it, cloned with it) but never the images it cycles through.
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>

#include "framework/core/container.h"
#include "framework/core/geometry.h"
#include "framework/core/list.h"
#include "framework/display/bitmap.h"

namespace vael {

class SuperString;

// What an event does when the sprite steps it.
enum SpriteEventKind : std::uint16_t {
    SpriteMove = 0,
    SpritePhasedMove = 1,
    SpriteAnimateOnce = 2,
    SpriteHold = 3,
    SpriteWait = 4, // stays at the head until aborted
    SpriteDrawPlain = 5,
    SpriteDrawMode2 = 6,
    SpriteDrawMode3 = 7,
    SpriteDrawPlainAgain = 8,
    SpriteMarker = 9,
    SpriteHide = 10,
    SpriteShow = 11,
};

class SpriteEvent {
public:
    SpriteEvent() = default;
    // Takes ownership of the payload (which may be null).
    SpriteEvent(std::uint16_t region, const Point4D& target, const List<Bitmap*>& frames,
                std::int16_t newLayer, std::uint16_t kind, std::uint16_t restartFrames,
                ContainerBase* payload = nullptr);
    explicit SpriteEvent(ContainerBase* payload);
    SpriteEvent(const SpriteEvent& other);
    SpriteEvent& operator=(const SpriteEvent& other);
    SpriteEvent(SpriteEvent&&) noexcept = default;
    SpriteEvent& operator=(SpriteEvent&&) noexcept = default;
    virtual ~SpriteEvent() = default;

    // Region, kind and payload do not take part.
    bool operator==(const SpriteEvent& other) const;

    // On a saved game's raw bytes, little-endian: the target (x, y, z as 2 bytes, t as 4), region, kind,
    // new layer and restart count (2 bytes each), then the payload written as a nullable box on a framework
    // stream and stored as its 4-byte length followed by those bytes. The frames are not saved: the owner
    // puts them back. load answers false, and leaves the event as it was, when the bytes run short or the
    // payload cannot be read back.
    virtual void save(std::ostream& stream) const;
    virtual bool load(std::istream& stream);

    ContainerBase* payload() const { return payload_.get(); }
    void setPayload(ContainerBase* payload) { payload_.reset(payload); }

    std::uint16_t region = 0;
    Point4D target;
    List<Bitmap*> frames;
    std::uint16_t kind = SpriteMove;
    std::int16_t newLayer = -1;
    std::uint16_t restartFrames = 0;

private:
    std::unique_ptr<ContainerBase> payload_;
};

// On framework streams (events travelling in lists) only region, kind, new layer and restart count go, 2
// bytes each, then the nullable payload; target and frames stay behind.
SuperString& operator<<(SuperString& s, const SpriteEvent& v);
SuperString& operator>>(SuperString& s, SpriteEvent& v);

VAEL_TYPE_NAME(SpriteEvent, "SpriteEvent");

} // namespace vael
