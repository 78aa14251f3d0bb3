#pragma once
// A window's rows seen as a bitmap, so that pictures and sprites draw straight into them by their pixel
// kind and drawing mode. It never owns the rows and must not outlive them.
#include "framework/display/bitmap.h"

namespace vael {

class RowsBitmap : public Bitmap {
public:
    RowsBitmap(std::uint8_t* rows, const Dim& size, std::uint16_t padding) : Bitmap(Dim(), PixelOpaque) {
        pixels_ = rows;
        size_ = size;
        padding_ = padding;
        dataSize_ = static_cast<std::uint32_t>(stride()) * static_cast<std::uint32_t>(size.h);
    }
    ~RowsBitmap() override { pixels_ = nullptr; }
};

} // namespace vael
