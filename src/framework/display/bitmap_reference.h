#pragma once
// A window onto a rectangle of another bitmap: drawing into it draws into the referenced bitmap, shifted
// by the rectangle's origin and clipped to it. It never owns pixels and must not outlive its bitmap.
#include "framework/display/bitmap.h"

namespace vael {

class BitmapReference : public Bitmap {
public:
    BitmapReference(Bitmap& referenced, const Box& box);
    BitmapReference(Bitmap& referenced, const Point& origin, const Dim& size);
    ~BitmapReference() override;

    Box fill(std::uint8_t colour) override;
    Box drawBitmap(const Point& at, Bitmap& source, const Box& sourceBox, std::int16_t mode) override;
    Box fillRect(const Box& box, std::uint8_t red, std::uint8_t green, std::uint8_t blue) override;
    void resize(const Dim& size) override;

    void setRect(const Box& box);
    void setOriginAndSize(const Point& origin, const Dim& size) { setRect(Box(origin, size)); }
    Box rect() const { return Box(origin_, size_); }
    std::int16_t originX() const { return origin_.x; }
    std::int16_t originY() const { return origin_.y; }
    Point offset() const { return offset_; }

private:
    Point origin_;
    Point offset_;
    Bitmap& referenced_;
};

} // namespace vael
