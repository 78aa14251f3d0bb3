#pragma once
// A small posed body model: figures are put together from 3D primitives (limbs as capsules, heads as
// balls, shields as discs, cloths as polygons, shafts as lines) in the figure's own frame (forward,
// right, up, in full-size pixels), then seen from the map's angle in any of the eight directions and
// drawn back to front with Cairo, with their shadows cast on the ground.
#include <cstdint>
#include <vector>

#include "tools/forge/canvas.h"

namespace vael::forge {

struct V3 {
    double f = 0, r = 0, z = 0; // forward, right, up

    V3 operator+(const V3& o) const { return {f + o.f, r + o.r, z + o.z}; }
    V3 operator-(const V3& o) const { return {f - o.f, r - o.r, z - o.z}; }
    V3 operator*(double k) const { return {f * k, r * k, z * k}; }
};

V3 lerp(const V3& a, const V3& b, double t);

class Scene {
public:
    // colour is a palette index; outline, when not 0, the index its edge is drawn in at full size.
    void capsule(const V3& a, const V3& b, double radius, std::uint8_t colour, std::uint8_t outline = 0);
    void ball(const V3& centre, double radius, std::uint8_t colour, std::uint8_t outline = 0);
    // A disc of the radius about centre, facing along normal.
    void disc(const V3& centre, const V3& normal, double radius, std::uint8_t colour, std::uint8_t rim = 0);
    void polygon(const std::vector<V3>& points, std::uint8_t colour, std::uint8_t outline = 0);
    // A shaft at least one pixel wide at every size, so that spears and pikes stay at quarter size.
    void line(const V3& a, const V3& b, double width, std::uint8_t colour);

    // Turns every primitive added so far about the axis through pivot along the right-hand axis by angle
    // (radians; positive tips the top forward), or about the upright axis.
    void pitch(const V3& pivot, double angle, std::size_t from = 0);
    void yaw(const V3& pivot, double angle, std::size_t from = 0);
    // About the forward axis; positive tips the top to the right.
    void roll(const V3& pivot, double angle, std::size_t from = 0);
    void shift(const V3& by, std::size_t from = 0);
    std::size_t size() const { return prims_.size(); }

    // Draws the scene facing the screen direction (1 N ... 8 NW) with its origin at origin (canvas
    // pixels), scaled by scale, into the art layer of the canvas.
    void draw(Canvas& canvas, int direction, double originX, double originY, double scale) const;

private:
    enum class Kind : std::uint8_t { Capsule, Ball, Disc, Polygon, Line };
    struct Prim {
        Kind kind;
        std::vector<V3> points; // capsule and line: two; ball and disc: centre (and normal)
        double size;            // radius or width
        std::uint8_t colour;
        std::uint8_t outline;
    };
    std::vector<Prim> prims_;
};

// Casts the shadow of what the art layer holds onto the ground, whose line is groundY on the canvas.
void castShadow(Canvas& canvas, double groundY);

// Empties both layers of the canvas.
void clearCanvas(Canvas& canvas);

} // namespace vael::forge
