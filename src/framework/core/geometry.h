#pragma once
// Screen, map and sprite positions, sizes and rectangles: small value records with 16-bit signed fields.
// The y axis grows downwards. Arithmetic is done in 32 bits and cut back to 16 (wrapping), and division
// truncates toward zero, so that results are the same on every machine of a network game.
#include <cstdint>

#include "framework/core/type_name.h"

namespace vael {

// The operating system's own 32-bit point, size and rectangle, as the platform layer hands them over.
struct PlatformPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};
struct PlatformSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
};
struct PlatformRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

namespace geometry_detail {
constexpr std::int16_t cut(std::int32_t v) {
    return static_cast<std::int16_t>(v);
}
} // namespace geometry_detail

struct Box;

struct Point {
    std::int16_t x = 0;
    std::int16_t y = 0;

    constexpr Point() = default;
    constexpr Point(std::int16_t x, std::int16_t y) : x(x), y(y) {}
    // Keeps the low 16 bits of each coordinate.
    constexpr explicit Point(const PlatformPoint& p)
        : x(geometry_detail::cut(p.x)), y(geometry_detail::cut(p.y)) {}

    constexpr PlatformPoint toPlatform() const { return PlatformPoint{x, y}; }

    constexpr bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    constexpr bool operator!=(const Point& o) const { return !(*this == o); }

    constexpr Point operator+(const Point& o) const {
        return Point(geometry_detail::cut(x + o.x), geometry_detail::cut(y + o.y));
    }
    constexpr Point operator-(const Point& o) const {
        return Point(geometry_detail::cut(x - o.x), geometry_detail::cut(y - o.y));
    }
    constexpr Point operator-() const { return Point(geometry_detail::cut(-x), geometry_detail::cut(-y)); }
    constexpr Point operator*(std::int16_t f) const {
        return Point(geometry_detail::cut(x * f), geometry_detail::cut(y * f));
    }
    constexpr Point operator/(std::int16_t d) const {
        return Point(geometry_detail::cut(x / d), geometry_detail::cut(y / d));
    }
    constexpr Point& operator+=(const Point& o) { return *this = *this + o; }
    constexpr Point& operator-=(const Point& o) { return *this = *this - o; }
    constexpr Point& operator*=(std::int16_t f) { return *this = *this * f; }
    constexpr Point& operator/=(std::int16_t d) { return *this = *this / d; }

    constexpr bool isZero() const { return x == 0 && y == 0; }
};

struct Dim {
    std::int16_t w = 0;
    std::int16_t h = 0;

    constexpr Dim() = default;
    constexpr Dim(std::int16_t w, std::int16_t h) : w(w), h(h) {}
    // The size of a rectangle: (right - left, bottom - top).
    constexpr explicit Dim(const PlatformRect& r)
        : w(geometry_detail::cut(r.right - r.left)), h(geometry_detail::cut(r.bottom - r.top)) {}

    constexpr PlatformSize toPlatform() const { return PlatformSize{w, h}; }
    // The box (0, 0, w, h).
    constexpr explicit operator Box() const;

    constexpr bool operator==(const Dim& o) const { return w == o.w && h == o.h; }
    constexpr bool operator!=(const Dim& o) const { return !(*this == o); }

    constexpr Dim operator+(const Dim& o) const {
        return Dim(geometry_detail::cut(w + o.w), geometry_detail::cut(h + o.h));
    }
    constexpr Dim operator-(const Dim& o) const {
        return Dim(geometry_detail::cut(w - o.w), geometry_detail::cut(h - o.h));
    }
    constexpr Dim operator*(std::int16_t f) const {
        return Dim(geometry_detail::cut(w * f), geometry_detail::cut(h * f));
    }
    constexpr Dim operator/(std::int16_t d) const {
        return Dim(geometry_detail::cut(w / d), geometry_detail::cut(h / d));
    }
    constexpr Dim& operator+=(const Dim& o) { return *this = *this + o; }
    constexpr Dim& operator-=(const Dim& o) { return *this = *this - o; }
    constexpr Dim& operator*=(std::int16_t f) { return *this = *this * f; }
    constexpr Dim& operator/=(std::int16_t d) { return *this = *this / d; }

    constexpr bool isZero() const { return w == 0 && h == 0; }
};

// A map or sprite position with a height: a Point followed by z.
struct Point3D : Point {
    std::int16_t z = 0;

    constexpr Point3D() = default;
    constexpr Point3D(std::int16_t x, std::int16_t y, std::int16_t z) : Point(x, y), z(z) {}
    constexpr explicit Point3D(const Point& p, std::int16_t z = 0) : Point(p), z(z) {}

    // Takes the position part of any Point3D, a Point4D included.
    constexpr void assign(const Point3D& o) {
        x = o.x;
        y = o.y;
        z = o.z;
    }
    // The straight-line distance, truncated to a whole number.
    std::int32_t distance(const Point3D& o) const;

    constexpr bool operator==(const Point3D& o) const { return x == o.x && y == o.y && z == o.z; }
    constexpr bool operator!=(const Point3D& o) const { return !(*this == o); }

    constexpr Point3D operator+(const Point3D& o) const {
        return Point3D(geometry_detail::cut(x + o.x), geometry_detail::cut(y + o.y),
                       geometry_detail::cut(z + o.z));
    }
    constexpr Point3D operator-(const Point3D& o) const {
        return Point3D(geometry_detail::cut(x - o.x), geometry_detail::cut(y - o.y),
                       geometry_detail::cut(z - o.z));
    }
    constexpr Point3D operator*(std::int16_t f) const {
        return Point3D(geometry_detail::cut(x * f), geometry_detail::cut(y * f), geometry_detail::cut(z * f));
    }
    constexpr Point3D operator/(std::int16_t d) const {
        return Point3D(geometry_detail::cut(x / d), geometry_detail::cut(y / d), geometry_detail::cut(z / d));
    }
    constexpr Point3D& operator+=(const Point3D& o) { return *this = *this + o; }
    constexpr Point3D& operator-=(const Point3D& o) { return *this = *this - o; }
    constexpr Point3D& operator*=(std::int16_t f) { return *this = *this * f; }
    constexpr Point3D& operator/=(std::int16_t d) { return *this = *this / d; }

    constexpr bool isZero() const { return x == 0 && y == 0 && z == 0; }
};

// A position with a time: the target of a sprite event. The time is 32 bits and wraps in 32 bits.
struct Point4D : Point3D {
    std::int32_t t = 0;

    constexpr Point4D() = default;
    constexpr Point4D(std::int16_t x, std::int16_t y, std::int16_t z, std::int32_t t)
        : Point3D(x, y, z), t(t) {}
    constexpr explicit Point4D(const Point3D& p, std::int32_t t = 0) : Point3D(p), t(t) {}

    constexpr bool operator==(const Point4D& o) const { return x == o.x && y == o.y && z == o.z && t == o.t; }
    constexpr bool operator!=(const Point4D& o) const { return !(*this == o); }

    constexpr Point4D operator+(const Point4D& o) const {
        return Point4D(Point3D::operator+(o), wrap(std::int64_t{t} + o.t));
    }
    constexpr Point4D operator-(const Point4D& o) const {
        return Point4D(Point3D::operator-(o), wrap(std::int64_t{t} - o.t));
    }
    constexpr Point4D operator*(std::int16_t f) const {
        return Point4D(Point3D::operator*(f), wrap(std::int64_t{t} * f));
    }
    constexpr Point4D operator/(std::int16_t d) const {
        return Point4D(Point3D::operator/(d), wrap(std::int64_t{t} / d));
    }
    constexpr Point4D& operator+=(const Point4D& o) { return *this = *this + o; }
    constexpr Point4D& operator-=(const Point4D& o) { return *this = *this - o; }
    constexpr Point4D& operator*=(std::int16_t f) { return *this = *this * f; }
    constexpr Point4D& operator/=(std::int16_t d) { return *this = *this / d; }

    constexpr bool isZero() const { return x == 0 && y == 0 && z == 0 && t == 0; }

private:
    static constexpr std::int32_t wrap(std::int64_t v) { return static_cast<std::int32_t>(v); }
};

// Left, top, width and height; the right edge is x + w and the bottom edge y + h.
struct Box {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t w = 0;
    std::int16_t h = 0;

    constexpr Box() = default;
    constexpr Box(std::int16_t x, std::int16_t y, std::int16_t w, std::int16_t h) : x(x), y(y), w(w), h(h) {}
    constexpr Box(const Point& p, const Dim& d) : x(p.x), y(p.y), w(d.w), h(d.h) {}
    // From two corners: a is the top left, b the bottom right.
    constexpr Box(const Point& a, const Point& b)
        : x(a.x), y(a.y), w(geometry_detail::cut(b.x - a.x)), h(geometry_detail::cut(b.y - a.y)) {}
    constexpr explicit Box(const PlatformRect& r)
        : x(geometry_detail::cut(r.left)), y(geometry_detail::cut(r.top)),
          w(geometry_detail::cut(r.right - r.left)), h(geometry_detail::cut(r.bottom - r.top)) {}

    constexpr bool operator==(const Box& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
    constexpr bool operator!=(const Box& o) const { return !(*this == o); }

    constexpr Point topLeft() const { return Point(x, y); }
    constexpr Point topRight() const { return Point(geometry_detail::cut(x + w), y); }
    constexpr Point bottomLeft() const { return Point(x, geometry_detail::cut(y + h)); }
    constexpr Point bottomRight() const {
        return Point(geometry_detail::cut(x + w), geometry_detail::cut(y + h));
    }
    constexpr explicit operator Point() const { return topLeft(); }
    constexpr explicit operator Dim() const { return Dim(w, h); }
    constexpr PlatformRect toPlatform() const { return PlatformRect{x, y, x + w, y + h}; }

    // A dim grows the box; a point moves it.
    constexpr Box operator+(const Dim& d) const {
        return Box(x, y, geometry_detail::cut(w + d.w), geometry_detail::cut(h + d.h));
    }
    constexpr Box operator+(const Point& p) const {
        return Box(geometry_detail::cut(x + p.x), geometry_detail::cut(y + p.y), w, h);
    }
    constexpr Box operator-(const Point& p) const {
        return Box(geometry_detail::cut(x - p.x), geometry_detail::cut(y - p.y), w, h);
    }
    constexpr Box& operator+=(const Dim& d) { return *this = *this + d; }
    constexpr Box& operator+=(const Point& p) { return *this = *this + p; }
    constexpr Box& operator-=(const Point& p) { return *this = *this - p; }

    // Shrinks by the dim; a width or height that reaches 0 fails the "Invalid Box Dimensions" check, and a
    // negative one is turned round so that the box stays normalised.
    Box operator-(const Dim& d) const;
    Box& operator-=(const Dim& d);

    // The bounding union.
    Box operator|(const Box& b) const;
    Box& operator|=(const Box& b);
    // The intersection; boxes that do not meet give the zero box.
    Box operator&(const Box& b) const;
    Box& operator&=(const Box& b);

    // Shared edges count as inside.
    bool contains(const Box& b) const;
    // Half-open: the right and bottom edges are outside.
    bool contains(const Point& p) const;
    // Boxes that only touch overlap.
    bool overlaps(const Box& b) const;
    // Clips b to this box in place: 1, or 0 with b made the zero box when they do not meet.
    std::int16_t intersect(Box& b) const;

    // Cohen-Sutherland region code of p: 1 below, 0x10 above, 0x100 right, 0x1000 left.
    std::uint16_t outcode(const Point& p) const;
    // Clips the segment a-b to the box in place: 1 when some of it lies inside, 0 when none does.
    std::int16_t clipLine(Point& a, Point& b) const;
    // Only answers whether some of the segment lies inside; the points are left as they are.
    std::int16_t clipLine(const Point& a, const Point& b) const;

    constexpr bool isZero() const { return x == 0 && y == 0 && w == 0 && h == 0; }
};

constexpr Dim::operator Box() const {
    return Box(0, 0, w, h);
}

inline constexpr Point zeroPoint{};
inline constexpr Dim zeroDim{};
inline constexpr Box zeroBox{};

VAEL_TYPE_NAME(Point, "Point");
VAEL_TYPE_NAME(Dim, "Dim");
VAEL_TYPE_NAME(Point3D, "Point3D");
VAEL_TYPE_NAME(Point4D, "Point4D");
VAEL_TYPE_NAME(Box, "Box");

} // namespace vael
