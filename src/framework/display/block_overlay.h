#pragma once
// A picture placed on a landscape block: the bitmap (not owned) and the box it takes.
#include "framework/display/bitmap.h"

namespace vael {

class BlockOverlay {
public:
    BlockOverlay() = default;
    BlockOverlay(Bitmap* bitmap, const Box& box) : bitmap_(bitmap), box_(box) {}
    virtual ~BlockOverlay() = default;

    virtual Box draw(Bitmap& target, const Point& at, std::int16_t mode) const {
        return bitmap_ ? target.drawWholeBitmap(at, *bitmap_, mode) : Box();
    }
    Dim size() const { return Dim(box_.w, box_.h); }
    Bitmap* bitmap() const { return bitmap_; }

private:
    Bitmap* bitmap_ = nullptr;
    Box box_;
};

} // namespace vael
