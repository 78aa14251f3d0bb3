#include "platform/indexed_screen.h"

#include <algorithm>
#include <cstring>

namespace vael::platform {

Rect clipToTarget(const Surface& picture, std::int32_t x, std::int32_t y, Rect box, std::int32_t targetWidth,
                  std::int32_t targetHeight) {
    if (box.width == 0 && box.height == 0) box = {0, 0, picture.width, picture.height};
    if (!picture.pixels || box.width <= 0 || box.height <= 0) return {};
    // In 64 bits: a box or position near the ends of the 32-bit range must not wrap into view.
    const std::int64_t left = std::max<std::int64_t>({box.x, 0, -std::int64_t(x)});
    const std::int64_t top = std::max<std::int64_t>({box.y, 0, -std::int64_t(y)});
    const std::int64_t right = std::min<std::int64_t>(
        {std::int64_t(box.x) + box.width, picture.width, std::int64_t(targetWidth) - x});
    const std::int64_t bottom = std::min<std::int64_t>(
        {std::int64_t(box.y) + box.height, picture.height, std::int64_t(targetHeight) - y});
    if (right <= left || bottom <= top) return {};
    return {std::int32_t(left), std::int32_t(top), std::int32_t(right - left), std::int32_t(bottom - top)};
}

IndexedScreen::IndexedScreen(std::function<std::uint32_t(Rgb)> encode) : encode_(std::move(encode)) {
    for (int i = 0; i < 256; ++i)
        table_[i] = encode_(colours_[i]);
}

void IndexedScreen::resize(std::int32_t width, std::int32_t height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    indexes_.assign(std::size_t(width_) * height_, 0);
}

bool IndexedScreen::setColours(const Rgb* colours, std::int32_t first, std::int32_t count) {
    bool changed = false;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int64_t entry = std::int64_t(first) + i;
        if (entry < 0 || entry > 255 || colours_[entry] == colours[i]) continue;
        colours_[entry] = colours[i];
        table_[entry] = encode_(colours[i]);
        changed = true;
    }
    return changed;
}

std::vector<Rect> IndexedScreen::copy(const Surface& picture, std::int32_t x, std::int32_t y,
                                      const Rect* boxes, std::int32_t count) {
    std::vector<Rect> changed;
    const Rect whole{};
    for (std::int32_t b = 0; b < std::max(count, 1); ++b) {
        const Rect box = clipToTarget(picture, x, y, count > 0 ? boxes[b] : whole, width_, height_);
        if (box.width == 0) continue;
        for (std::int32_t row = 0; row < box.height; ++row)
            std::memcpy(&indexes_[std::size_t(y + box.y + row) * width_ + (x + box.x)],
                        picture.pixels + std::ptrdiff_t(box.y + row) * picture.pitch + box.x,
                        std::size_t(box.width));
        changed.push_back({x + box.x, y + box.y, box.width, box.height});
    }
    return changed;
}

// On a cache line of its own start, so that where its loop falls against the lines is the compiler's choice
// and not the linker's, whatever is linked before it.
[[gnu::aligned(64)]] void IndexedScreen::expand(const Rect& box, std::uint8_t* target,
                                                std::int32_t targetPitch) const {
    const std::int32_t left = box.x, top = box.y, width = box.width, height = box.height;
    const std::size_t screenWidth = std::size_t(width_);
    for (std::int32_t row = 0; row < height; ++row)
        expandRow(indexes_.data() + std::size_t(top + row) * screenWidth + left,
                  reinterpret_cast<std::uint32_t*>(target + std::ptrdiff_t(top + row) * targetPitch) + left,
                  width, table_);
}

} // namespace vael::platform
