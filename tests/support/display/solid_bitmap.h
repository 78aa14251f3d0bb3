#pragma once
// Test support: small pictures whose every pixel can be named by hand: one colour all over, or a pattern
// whose pixel at (x, y) differs from its neighbours', so that a picture drawn one pixel off shows.
#include <cstdint>
#include <vector>

#include "framework/display/bitmap.h"

namespace vael::test {

inline Bitmap* solidBitmap(std::int16_t w, std::int16_t h, std::uint8_t colour,
                           std::int32_t kind = PixelOpaque) {
    const std::uint32_t stride = static_cast<std::uint32_t>(w + Bitmap::paddingFor(w));
    std::vector<std::uint8_t> bytes(stride * static_cast<std::uint32_t>(h), colour);
    return new Bitmap(Dim(w, h), kind, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

inline std::uint8_t patternAt(int x, int y) {
    return static_cast<std::uint8_t>(1 + (x * 7 + y * 31) % 200);
}

inline Bitmap* patternBitmap(std::int16_t w, std::int16_t h) {
    const int stride = w + Bitmap::paddingFor(w);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stride * h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bytes[static_cast<std::size_t>(y * stride + x)] = patternAt(x, y);
    return new Bitmap(Dim(w, h), PixelOpaque, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

inline std::uint8_t pixelAt(const Bitmap& b, int x, int y) {
    return b.bits()[y * b.stride() + x];
}

// The pixels of a bitmap row by row, padding left out.
inline std::vector<std::uint8_t> pixelsOf(const Bitmap& b) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            out.push_back(pixelAt(b, x, y));
    return out;
}

} // namespace vael::test
