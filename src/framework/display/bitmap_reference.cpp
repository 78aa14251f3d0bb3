#include "framework/display/bitmap_reference.h"

#include <algorithm>
#include <cstring>

namespace vael {

BitmapReference::BitmapReference(Bitmap& referenced, const Box& box)
    : Bitmap(Dim(0, 0), PixelOpaque), referenced_(referenced) {
    setRect(box);
}

BitmapReference::BitmapReference(Bitmap& referenced, const Point& origin, const Dim& size)
    : BitmapReference(referenced, Box(origin, size)) {}

BitmapReference::~BitmapReference() {
    // The pixels are the referenced bitmap's.
    pixels_ = nullptr;
    ownsPixels_ = false;
}

void BitmapReference::setRect(const Box& box) {
    Box b = box;
    if (b.x < 0) {
        offset_.x = static_cast<std::int16_t>(-b.x);
        b.w = static_cast<std::int16_t>(b.w + b.x);
        b.x = 0;
    }
    if (b.y < 0) {
        offset_.y = static_cast<std::int16_t>(-b.y);
        b.h = static_cast<std::int16_t>(b.h + b.y);
        b.y = 0;
    }
    origin_ = Point(b.x, b.y);
    resize(Dim(b.w, b.h));
}

void BitmapReference::resize(const Dim& size) {
    const std::int32_t w =
        std::clamp<std::int32_t>(std::min<std::int32_t>(size.w, referenced_.width() - origin_.x), 0, 32767);
    const std::int32_t h =
        std::clamp<std::int32_t>(std::min<std::int32_t>(size.h, referenced_.height() - origin_.y), 0, 32767);
    size_ = Dim(static_cast<std::int16_t>(w), static_cast<std::int16_t>(h));
    const std::int32_t stride = referenced_.stride();
    padding_ = static_cast<std::uint16_t>(stride - w);
    dataSize_ = static_cast<std::uint32_t>(stride) * static_cast<std::uint32_t>(h);
    // An empty window has no pixels, so that every draw into it is refused; so has a window onto a
    // run-length image, whose bytes are runs, not rows, and shorter than the rows would be.
    pixels_ = referenced_.bits() && !isRunLength(referenced_.kind()) && w > 0 && h > 0
                  ? referenced_.bits() + static_cast<std::ptrdiff_t>(origin_.y) * stride + origin_.x
                  : nullptr;
}

Box BitmapReference::fill(std::uint8_t colour) {
    if (!pixels_) return Box();
    for (std::int32_t row = 0; row < size_.h; ++row)
        std::memset(pixels_ + static_cast<std::ptrdiff_t>(row) * stride(), colour,
                    static_cast<std::size_t>(size_.w));
    return Box(0, 0, size_.w, size_.h);
}

Box BitmapReference::drawBitmap(const Point& at, Bitmap& source, const Box& sourceBox, std::int16_t mode) {
    std::int32_t x = at.x - offset_.x, y = at.y - offset_.y;
    Box s = sourceBox;
    if (x < 0) s.x = static_cast<std::int16_t>(s.x - x), s.w = static_cast<std::int16_t>(s.w + x), x = 0;
    if (y < 0) s.y = static_cast<std::int16_t>(s.y - y), s.h = static_cast<std::int16_t>(s.h + y), y = 0;
    return Bitmap::drawBitmap(Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)), source, s,
                              mode);
}

Box BitmapReference::fillRect(const Box&, std::uint8_t, std::uint8_t, std::uint8_t) {
    return Box();
}

} // namespace vael
