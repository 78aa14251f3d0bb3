#include "tools/forge/body_model.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/forge/forge_palette.h"

namespace vael::forge {

namespace {

// How far the ground recedes on screen: the map's hexes are twice as wide as they are deep.
constexpr double Depth = 0.5;
// Where shadows fall: the light stands high behind the viewer's left shoulder.
constexpr double ShadowX = 0.5, ShadowY = 0.22;

struct View {
    double fx, fy, rx, ry; // screen x and ground y of one step forward and of one step right
    double ox, oy, scale;

    double groundY(const V3& p) const { return p.f * fy + p.r * ry; }
    double x(const V3& p) const { return ox + scale * (p.f * fx + p.r * rx); }
    double y(const V3& p) const { return oy + scale * (groundY(p) * Depth - p.z); }
};

V3 cross(const V3& a, const V3& b) {
    return {a.r * b.z - a.z * b.r, a.z * b.f - a.f * b.z, a.f * b.r - a.r * b.f};
}

V3 unit(const V3& v) {
    const double n = std::sqrt(v.f * v.f + v.r * v.r + v.z * v.z);
    return n > 0 ? v * (1 / n) : V3{0, 0, 1};
}

std::vector<V3> discPoints(const V3& centre, const V3& normal, double radius) {
    const V3 n = unit(normal);
    V3 u = cross(n, V3{0, 0, 1});
    if (std::abs(u.f) + std::abs(u.r) + std::abs(u.z) < 1e-6) u = V3{1, 0, 0};
    u = unit(u);
    const V3 v = cross(n, u);
    std::vector<V3> points;
    constexpr int Steps = 20;
    for (int i = 0; i < Steps; ++i) {
        const double t = 2 * std::numbers::pi * i / Steps;
        points.push_back(centre + u * (radius * std::cos(t)) + v * (radius * std::sin(t)));
    }
    return points;
}

} // namespace

V3 lerp(const V3& a, const V3& b, double t) {
    return a + (b - a) * t;
}

void Scene::capsule(const V3& a, const V3& b, double radius, std::uint8_t colour, std::uint8_t outline) {
    prims_.push_back({Kind::Capsule, {a, b}, radius, colour, outline});
}

void Scene::ball(const V3& centre, double radius, std::uint8_t colour, std::uint8_t outline) {
    prims_.push_back({Kind::Ball, {centre}, radius, colour, outline});
}

void Scene::disc(const V3& centre, const V3& normal, double radius, std::uint8_t colour, std::uint8_t rim) {
    prims_.push_back({Kind::Disc, discPoints(centre, normal, radius), radius, colour, rim});
}

void Scene::polygon(const std::vector<V3>& points, std::uint8_t colour, std::uint8_t outline) {
    prims_.push_back({Kind::Polygon, points, 0, colour, outline});
}

void Scene::line(const V3& a, const V3& b, double width, std::uint8_t colour) {
    prims_.push_back({Kind::Line, {a, b}, width, colour, 0});
}

void Scene::pitch(const V3& pivot, double angle, std::size_t from) {
    const double c = std::cos(angle), s = std::sin(angle);
    for (std::size_t i = from; i < prims_.size(); ++i)
        for (V3& p : prims_[i].points) {
            const V3 d = p - pivot;
            p = pivot + V3{d.f * c + d.z * s, d.r, -d.f * s + d.z * c};
        }
}

void Scene::yaw(const V3& pivot, double angle, std::size_t from) {
    const double c = std::cos(angle), s = std::sin(angle);
    for (std::size_t i = from; i < prims_.size(); ++i)
        for (V3& p : prims_[i].points) {
            const V3 d = p - pivot;
            p = pivot + V3{d.f * c - d.r * s, d.f * s + d.r * c, d.z};
        }
}

void Scene::roll(const V3& pivot, double angle, std::size_t from) {
    const double c = std::cos(angle), s = std::sin(angle);
    for (std::size_t i = from; i < prims_.size(); ++i)
        for (V3& p : prims_[i].points) {
            const V3 d = p - pivot;
            p = pivot + V3{d.f, d.r * c + d.z * s, -d.r * s + d.z * c};
        }
}

void Scene::shift(const V3& by, std::size_t from) {
    for (std::size_t i = from; i < prims_.size(); ++i)
        for (V3& p : prims_[i].points)
            p = p + by;
}

void Scene::draw(Canvas& canvas, int direction, double originX, double originY, double scale) const {
    const double theta = (direction - 1) * std::numbers::pi / 4;
    const bool small = scale < 0.75;
    // Unsmoothed, a pixel is painted when its centre is covered: with the origin on a pixel's centre, a
    // shaft one pixel wide through it paints a clean line of single pixels.
    const double centre = small ? 0.5 : 0;
    const View view{std::sin(theta),
                    -std::cos(theta),
                    std::cos(theta),
                    std::sin(theta),
                    originX + centre,
                    originY + centre,
                    scale};
    // Back to front: what stands further from the viewer first; higher things over lower ones at one depth.
    std::vector<std::pair<double, std::size_t>> order;
    order.reserve(prims_.size());
    for (std::size_t i = 0; i < prims_.size(); ++i) {
        const Prim& p = prims_[i];
        V3 centre;
        if (p.kind == Kind::Ball) {
            centre = p.points[0];
        } else {
            for (const V3& q : p.points)
                centre = centre + q;
            centre = centre * (1.0 / static_cast<double>(p.points.size()));
        }
        order.emplace_back(view.groundY(centre) + 0.02 * centre.z, i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    // Outlines keep the parts apart at full size; smaller, they would swallow the parts.
    const bool outlines = scale > 0.75;
    cairo_t* art = canvas.art();
    cairo_set_antialias(art, small ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_tolerance(art, 0.4);
    cairo_set_line_cap(art, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(art, CAIRO_LINE_JOIN_ROUND);
    const double edge = 1.1; // an outline's width in canvas pixels

    auto path = [&](cairo_t* cr, const Prim& p) {
        auto X = [&](const V3& q) { return view.x(q); };
        auto Y = [&](const V3& q) { return view.y(q); };
        cairo_new_path(cr);
        if (p.kind == Kind::Ball) {
            cairo_arc(cr, X(p.points[0]), Y(p.points[0]), std::max(p.size * scale, small ? 1.0 : 0.75), 0,
                      2 * std::numbers::pi);
        } else if (p.kind == Kind::Capsule || p.kind == Kind::Line) {
            cairo_move_to(cr, X(p.points[0]), Y(p.points[0]));
            cairo_line_to(cr, X(p.points[1]), Y(p.points[1]));
        } else {
            for (std::size_t k = 0; k < p.points.size(); ++k)
                (k ? cairo_line_to : cairo_move_to)(cr, X(p.points[k]), Y(p.points[k]));
            cairo_close_path(cr);
        }
    };
    auto width = [&](const Prim& p) {
        // Smoothed, a shaft under a pixel and a half would fall below the cut to transparent; unsmoothed,
        // one pixel is the thinnest line there is. Limbs keep some body at every size.
        if (p.kind == Kind::Line) return std::max(p.size * scale, small ? 1.0 : 1.5);
        return std::max(2 * p.size * scale, small ? 1.5 : 1.25);
    };

    for (const auto& [key, index] : order) {
        const Prim& p = prims_[index];
        const bool filled = p.kind == Kind::Ball || p.kind == Kind::Disc || p.kind == Kind::Polygon;
        path(art, p);
        if (filled) {
            setSource(art, p.colour);
            if (outlines && p.outline) {
                cairo_fill_preserve(art);
                setSource(art, p.outline);
                cairo_set_line_width(art, edge);
                cairo_stroke(art);
            } else {
                cairo_fill(art);
            }
        } else {
            if (outlines && p.outline) {
                setSource(art, p.outline);
                cairo_set_line_width(art, width(p) + 2 * edge);
                cairo_stroke_preserve(art);
            }
            setSource(art, p.colour);
            cairo_set_line_width(art, width(p));
            cairo_stroke(art);
            if (small && p.kind == Kind::Line) {
                // A shaft seen end on is shorter than a pixel: it still shows as one.
                const V3 mid = lerp(p.points[0], p.points[1], 0.5);
                cairo_rectangle(art, std::floor(view.x(mid)), std::floor(view.y(mid)), 1, 1);
                cairo_fill(art);
            }
        }
    }
}

void castShadow(Canvas& canvas, double groundY) {
    // What stands h pixels above the ground line on screen throws its shadow ShadowX h to the right and
    // ShadowY h down from that line: one shear of the whole picture, which Cairo takes from destination
    // to source.
    cairo_surface_t* art = cairo_get_target(canvas.art());
    cairo_surface_flush(art);
    cairo_pattern_t* source = cairo_pattern_create_for_surface(art);
    cairo_matrix_t m;
    cairo_matrix_init(&m, 1, 0, -ShadowX / ShadowY, -1 / ShadowY, ShadowX / ShadowY * groundY,
                      groundY + groundY / ShadowY);
    cairo_pattern_set_matrix(source, &m);
    cairo_t* shadow = canvas.shadow();
    cairo_set_source_rgba(shadow, 0, 0, 0, 1);
    cairo_mask(shadow, source);
    cairo_pattern_destroy(source);
}

void clearCanvas(Canvas& canvas) {
    for (cairo_t* cr : {canvas.art(), canvas.shadow()}) {
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_restore(cr);
    }
}

} // namespace vael::forge
