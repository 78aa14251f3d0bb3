#include "game/map/frame_info.h"

#include <algorithm>

#include "framework/core/super_string.h"
#include "game/map/raw_bytes.h"

namespace vael {

void FrameInfo::write(std::ostream& stream) const {
    const std::size_t n = std::min<std::size_t>(name.size(), 0xFFFF);
    raw::putU16(stream, static_cast<std::uint16_t>(n));
    stream.write(name.data(), static_cast<std::streamsize>(n));
    raw::putU16(stream, static_cast<std::uint16_t>(index));
}

bool FrameInfo::read(std::istream& stream) {
    std::uint16_t n = 0;
    if (!raw::getU16(stream, n)) return false;
    std::string text;
    if (!raw::getText(stream, n, text)) return false;
    std::uint16_t i = 0;
    if (!raw::getU16(stream, i)) return false;
    name = std::move(text);
    index = static_cast<std::int16_t>(i);
    return true;
}

SuperString& operator<<(SuperString& s, const FrameInfo& v) {
    const std::size_t n = std::min<std::size_t>(v.name.size(), 0xFFFF);
    s << static_cast<unsigned short>(n);
    if (n) s.write(v.name.data(), static_cast<std::int32_t>(n));
    return s << static_cast<unsigned short>(v.index);
}

SuperString& operator>>(SuperString& s, FrameInfo& v) {
    unsigned short n = 0;
    s >> n;
    // Never more than the stream holds: a corrupt length must not make us allocate what is not there.
    std::string text(static_cast<std::size_t>(std::min<std::int32_t>(n, s.remaining())), '\0');
    if (!text.empty()) s.read(text.data(), static_cast<std::int32_t>(text.size()));
    if (static_cast<std::int32_t>(text.size()) < n) s.setFailed();
    unsigned short index = 0;
    s >> index;
    if (s.failed()) return s;
    v.name = std::move(text);
    v.index = static_cast<std::int16_t>(index);
    return s;
}

} // namespace vael
