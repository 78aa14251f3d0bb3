#include "framework/display/sprite_event.h"

#include <string>

#include "framework/core/super_string.h"

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

namespace {

void put16(std::ostream& out, std::int32_t v) {
    const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    out.write(bytes, 2);
}
void put32(std::ostream& out, std::uint32_t v) {
    put16(out, static_cast<std::int32_t>(v & 0xFFFF));
    put16(out, static_cast<std::int32_t>(v >> 16));
}
bool get16(std::istream& in, std::uint16_t& v) {
    unsigned char bytes[2];
    if (!in.read(reinterpret_cast<char*>(bytes), 2)) return false;
    v = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    return true;
}
bool get32(std::istream& in, std::uint32_t& v) {
    std::uint16_t low = 0, high = 0;
    if (!get16(in, low) || !get16(in, high)) return false;
    v = low | static_cast<std::uint32_t>(high) << 16;
    return true;
}

} // namespace

void SpriteEvent::save(std::ostream& stream) const {
    put16(stream, target.x), put16(stream, target.y), put16(stream, target.z);
    put32(stream, static_cast<std::uint32_t>(target.t));
    put16(stream, region), put16(stream, kind), put16(stream, newLayer), put16(stream, restartFrames);
    SuperString piece;
    piece << static_cast<const ContainerBase*>(payload_.get());
    const std::string bytes = piece.str();
    put32(stream, static_cast<std::uint32_t>(bytes.size()));
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool SpriteEvent::load(std::istream& stream) {
    std::uint16_t x = 0, y = 0, z = 0, r = 0, k = 0, layer = 0, restart = 0;
    std::uint32_t t = 0, length = 0;
    if (!get16(stream, x) || !get16(stream, y) || !get16(stream, z) || !get32(stream, t) ||
        !get16(stream, r) || !get16(stream, k) || !get16(stream, layer) || !get16(stream, restart) ||
        !get32(stream, length))
        return false;
    // Read in pieces, so that a length the bytes do not back costs no more memory than the bytes.
    SuperString piece;
    char buffer[4096];
    for (std::uint32_t left = length; left > 0;) {
        const std::uint32_t n = left < sizeof buffer ? left : static_cast<std::uint32_t>(sizeof buffer);
        if (!stream.read(buffer, n)) return false;
        piece.write(buffer, static_cast<std::int32_t>(n));
        left -= n;
    }
    ContainerBase* box = nullptr;
    piece >> box;
    std::unique_ptr<ContainerBase> read(box);
    if (piece.failed() || piece.remaining() != 0) return false;
    target = Point4D(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), static_cast<std::int16_t>(z),
                     static_cast<std::int32_t>(t));
    region = r, kind = k, newLayer = static_cast<std::int16_t>(layer), restartFrames = restart;
    payload_ = std::move(read);
    return true;
}

SuperString& operator<<(SuperString& s, const SpriteEvent& v) {
    s << static_cast<unsigned short>(v.region) << static_cast<unsigned short>(v.kind)
      << static_cast<short>(v.newLayer) << static_cast<unsigned short>(v.restartFrames);
    return s << static_cast<const ContainerBase*>(v.payload());
}

SuperString& operator>>(SuperString& s, SpriteEvent& v) {
    unsigned short region = 0, kind = 0, restart = 0;
    short layer = 0;
    ContainerBase* payload = nullptr;
    s >> region >> kind >> layer >> restart >> payload;
    v.region = region, v.kind = kind, v.newLayer = layer, v.restartFrames = restart;
    v.setPayload(payload);
    return s;
}

} // namespace vael
