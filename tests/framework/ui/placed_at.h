#pragma once
// Test support: layout constraints that put a child display at exactly the box of its parent, in pixels.
#include "framework/ui/t_layout_window.h"

namespace vael::test {

inline TWindowMetrics placedAt(const Box& box) {
    TWindowMetrics m;
    m.x.set(lmLeft, lmAbsolute, nullptr, lmLeft, box.x, lmPixels);
    m.y.set(lmTop, lmAbsolute, nullptr, lmTop, box.y, lmPixels);
    m.width.set(lmWidth, lmAbsolute, nullptr, lmWidth, box.w, lmPixels);
    m.height.set(lmHeight, lmAbsolute, nullptr, lmHeight, box.h, lmPixels);
    return m;
}

} // namespace vael::test
