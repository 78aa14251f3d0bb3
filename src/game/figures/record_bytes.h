#pragma once
// The 16-bit little-endian fields of the display objects' saved records. A reader reports a record that runs
// short instead of taking the end of the stream for data.
#include <cstdint>
#include <istream>
#include <ostream>

#include "framework/core/geometry.h"

namespace vael::record_bytes {

inline void put16(std::ostream& out, std::int16_t v) {
    out.put(static_cast<char>(v & 0xFF));
    out.put(static_cast<char>((v >> 8) & 0xFF));
}

inline bool get16(std::istream& in, std::int16_t& v) {
    const int lo = in.get(), hi = in.get();
    if (lo == std::char_traits<char>::eof() || hi == std::char_traits<char>::eof()) return false;
    v = static_cast<std::int16_t>(lo | (hi << 8));
    return true;
}

inline void put3D(std::ostream& out, const Point3D& p) {
    put16(out, p.x), put16(out, p.y), put16(out, p.z);
}

inline bool get3D(std::istream& in, Point3D& p) {
    return get16(in, p.x) && get16(in, p.y) && get16(in, p.z);
}

} // namespace vael::record_bytes
