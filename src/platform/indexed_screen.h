#pragma once
// The window as the program sees it: a screen of 8-bit palette indexes shown through a palette of 256
// colours, as on a palette display. A changed palette entry changes every pixel that shows it, as there,
// so the palette animation of the display code works; both backends keep one and turn it into 32-bit
// pixels box by box.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace vael::platform {

class IndexedScreen {
public:
    // encode turns a colour into the target's 32-bit pixel.
    explicit IndexedScreen(std::function<std::uint32_t(Rgb)> encode);

    // A new size; every pixel shows entry 0.
    void resize(std::int32_t width, std::int32_t height);
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    // Entries outside 0..255 are left out; answers whether any entry changed.
    bool setColours(const Rgb* colours, std::int32_t first, std::int32_t count);
    const PaletteColours& colours() const { return colours_; }
    // The encoded pixel of an entry.
    std::uint32_t encoded(std::uint8_t index) const { return table_[index]; }

    // Copies the boxes of the picture (all of it when count is 0) into the screen with the picture's
    // top-left corner at (x, y); answers the screen boxes that changed, clipped to picture and screen.
    std::vector<Rect> copy(const Surface& picture, std::int32_t x, std::int32_t y, const Rect* boxes,
                           std::int32_t count);
    // Writes a box of the screen (inside it) as encoded pixels into the same place of a 32-bit target.
    void expand(const Rect& box, std::uint8_t* target, std::int32_t targetPitch) const;

    std::uint8_t index(std::int32_t x, std::int32_t y) const { return indexes_[std::size_t(y) * width_ + x]; }

private:
    std::function<std::uint32_t(Rgb)> encode_;
    PaletteColours colours_{};
    std::uint32_t table_[256];
    std::int32_t width_ = 0, height_ = 0;
    std::vector<std::uint8_t> indexes_;
};

// Turns count indexes through the table into 32-bit pixels. The count comes as a value and the pointers
// promise that the writes reach neither the indexes nor the table: were the count read through a reference
// (a box's width), every 32-bit write might change it, so it would be read again after each pixel, and the
// loop's speed would hang on where its code falls against the cache lines. So the compiler may also take
// many pixels a step.
inline void expandRow(const std::uint8_t* __restrict from, std::uint32_t* __restrict to, std::int32_t count,
                      const std::uint32_t* __restrict table) {
    for (std::int32_t i = 0; i < count; ++i)
        to[i] = table[from[i]];
}

// The part of box (in picture coordinates; the whole picture when its size is 0) that lies in the picture
// and, with the picture's top-left corner at (x, y), in a target of the given size, in picture
// coordinates; size 0 when nothing is left.
Rect clipToTarget(const Surface& picture, std::int32_t x, std::int32_t y, Rect box, std::int32_t targetWidth,
                  std::int32_t targetHeight);

} // namespace vael::platform
