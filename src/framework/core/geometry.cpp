#include "framework/core/geometry.h"

#include <algorithm>
#include <cmath>

#include "framework/core/assertion.h"

namespace vael {

using geometry_detail::cut;

std::int32_t Point3D::distance(const Point3D& o) const {
    const double dx = static_cast<double>(o.x) - x;
    const double dy = static_cast<double>(o.y) - y;
    const double dz = static_cast<double>(o.z) - z;
    return static_cast<std::int32_t>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

Box Box::operator-(const Dim& d) const {
    Box b(*this);
    b -= d;
    return b;
}

Box& Box::operator-=(const Dim& d) {
    w = cut(w - d.w);
    h = cut(h - d.h);
    Assertion::check(w != 0 && h != 0, "Invalid Box Dimensions", "framework/core/geometry.cpp", __LINE__);
    if (w < 0) {
        w = cut(-w);
        x = cut(x - w);
    }
    if (h < 0) {
        h = cut(-h);
        y = cut(y - h);
    }
    return *this;
}

Box Box::operator|(const Box& b) const {
    const std::int32_t left = std::min<std::int32_t>(x, b.x);
    const std::int32_t top = std::min<std::int32_t>(y, b.y);
    const std::int32_t right = std::max<std::int32_t>(x + w, b.x + b.w);
    const std::int32_t bottom = std::max<std::int32_t>(y + h, b.y + b.h);
    return Box(cut(left), cut(top), cut(right - left), cut(bottom - top));
}

Box& Box::operator|=(const Box& b) {
    return *this = *this | b;
}

Box Box::operator&(const Box& b) const {
    Box clipped(b);
    intersect(clipped);
    return clipped;
}

Box& Box::operator&=(const Box& b) {
    return *this = *this & b;
}

bool Box::contains(const Box& b) const {
    return b.x >= x && b.y >= y && b.x + b.w <= x + w && b.y + b.h <= y + h;
}

bool Box::contains(const Point& p) const {
    return x <= p.x && p.x < x + w && y <= p.y && p.y < y + h;
}

bool Box::overlaps(const Box& b) const {
    return b.x + b.w >= x && b.y + b.h >= y && x + w >= b.x && y + h >= b.y;
}

std::int16_t Box::intersect(Box& b) const {
    if (b.x + b.w < x || b.y + b.h < y || x + w < b.x || y + h < b.y) {
        b = Box();
        return 0;
    }
    const std::int32_t left = std::max<std::int32_t>(x, b.x);
    const std::int32_t top = std::max<std::int32_t>(y, b.y);
    const std::int32_t right = std::min<std::int32_t>(x + w, b.x + b.w);
    const std::int32_t bottom = std::min<std::int32_t>(y + h, b.y + b.h);
    b = Box(cut(left), cut(top), cut(right - left), cut(bottom - top));
    return 1;
}

std::uint16_t Box::outcode(const Point& p) const {
    std::uint16_t code = 0;
    if (p.y > y + h)
        code = 0x1;
    else if (p.y < y)
        code = 0x10;
    if (p.x > x + w)
        code |= 0x100;
    else if (p.x < x)
        code |= 0x1000;
    return code;
}

std::int16_t Box::clipLine(Point& a, Point& b) const {
    std::uint16_t codeA = outcode(a);
    std::uint16_t codeB = outcode(b);
    // Each crossing moves an end onto an edge line and clears at least one of its region bits, so a few
    // rounds settle it; the bound only guards boxes whose far edge lies beyond the 16-bit range.
    for (int round = 0; round < 8; ++round) {
        if ((codeA | codeB) == 0) return 1;
        if (codeA & codeB) return 0;
        const bool takeA = codeA != 0;
        const std::uint16_t code = takeA ? codeA : codeB;
        // 64 bits: a box edge beyond the 16-bit range would overflow the product in 32.
        const std::int64_t ax = a.x, ay = a.y, bx = b.x, by = b.y;
        std::int64_t cx = 0, cy = 0;
        if (code & 0x1) {
            cy = y + h;
            cx = ax + (bx - ax) * (cy - ay) / (by - ay);
        } else if (code & 0x10) {
            cy = y;
            cx = ax + (bx - ax) * (cy - ay) / (by - ay);
        } else if (code & 0x100) {
            cx = x + w;
            cy = ay + (by - ay) * (cx - ax) / (bx - ax);
        } else {
            cx = x;
            cy = ay + (by - ay) * (cx - ax) / (bx - ax);
        }
        const Point crossing(cut(static_cast<std::int32_t>(cx)), cut(static_cast<std::int32_t>(cy)));
        if (takeA) {
            a = crossing;
            codeA = outcode(a);
        } else {
            b = crossing;
            codeB = outcode(b);
        }
    }
    return 0;
}

std::int16_t Box::clipLine(const Point& a, const Point& b) const {
    Point ca(a), cb(b);
    return clipLine(ca, cb);
}

} // namespace vael
