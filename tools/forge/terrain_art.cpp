#include "tools/forge/terrain_art.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "framework/display/bitmap.h"
#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/landscape/map_file_builder.h"
#include "tools/forge/canvas.h"
#include "tools/forge/forge_palette.h"

namespace vael::forge {

namespace {

// A fixed sequence of pseudo-random numbers per picture, so the art is the same on every build.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    int next(int n) {
        state_ = state_ * 1664525u + 1013904223u;
        return n <= 0 ? 0 : static_cast<int>((state_ >> 12) % static_cast<std::uint32_t>(n));
    }
    double unit() { return next(10000) / 10000.0; }
    double range(double a, double b) { return a + (b - a) * unit(); }

private:
    std::uint32_t state_;
};

// One zoom level: the block picture size, the scale from full-size drawing coordinates and the row of
// the stream pieces' placement tables.
struct Zoom {
    const char* suffix;
    int W, H;
    double sx, sy;
    int row;
};
const Zoom zooms[3] = {{"", 130, 76, 1.0, 1.0, 0},
                       {" (Half size)", 66, 38, 66.0 / 130.0, 0.5, 1},
                       {" (Quarter size)", 34, 19, 34.0 / 130.0, 0.25, 2}};

// The hex face in full-size block coordinates: pointed top and bottom, 130 x 64; the 12 pixels below it
// are the slope down to a neighbour one level lower in front.
constexpr double HexX[6] = {65, 130, 130, 65, 0, 0};
constexpr double HexY[6] = {0, 16, 48, 64, 48, 16};
// Side middles, by side W, NW, NE, E, SE, SW.
struct P2 {
    double x, y;
};
constexpr P2 SideMiddle[6] = {{0, 32}, {32.5, 8}, {97.5, 8}, {130, 32}, {97.5, 56}, {32.5, 56}};
// Side ends, same order.
constexpr P2 SideFrom[6] = {{0, 48}, {0, 16}, {65, 0}, {130, 16}, {130, 48}, {65, 64}};
constexpr P2 SideTo[6] = {{0, 16}, {65, 0}, {130, 16}, {130, 48}, {65, 64}, {0, 48}};

// Where the landscape puts the stream pieces (offsets from the block's top-left by zoom row); the art is
// drawn in block coordinates and its hot spot makes it land there.
constexpr int FullSideAt[3][6][2] = {{{0, 27}, {3, 12}, {65, 11}, {119, 29}, {65, 57}, {3, 57}},
                                     {{0, 13}, {1, 6}, {33, 5}, {60, 14}, {33, 28}, {2, 28}},
                                     {{-1, 7}, {1, 3}, {16, 3}, {30, 7}, {16, 14}, {1, 14}}};
constexpr int JunctionAt[3][9][2] = {
    {{-9, 28}, {-9, 55}, {-9, 28}, {55, 8}, {0, 21}, {0, 9}, {120, 23}, {65, 10}, {65, 10}},
    {{-5, 14}, {-5, 27}, {-5, 14}, {28, 4}, {-1, 10}, {0, 4}, {61, 11}, {32, 5}, {32, 5}},
    {{-3, 7}, {-3, 14}, {-3, 7}, {14, 2}, {-1, 5}, {0, 2}, {31, 6}, {16, 3}, {16, 3}}};

struct Drawn {
    Picture picture;
    Point hotSpot;
};

void scaleTo(Canvas& c, const Zoom& z) {
    cairo_scale(c.art(), z.sx, z.sy);
    cairo_scale(c.shadow(), z.sx, z.sy);
}

void hexPath(cairo_t* cr, double grow = 0.6) {
    for (int i = 0; i < 6; ++i) {
        const double dx = HexX[i] - 65, dy = HexY[i] - 32;
        const double len = std::sqrt(dx * dx + dy * dy);
        const double x = HexX[i] + grow * dx / len, y = HexY[i] + grow * dy / len;
        if (i == 0)
            cairo_move_to(cr, x, y);
        else
            cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
}

void blob(cairo_t* cr, double x, double y, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

Point scaledPoint(double x, double y, const Zoom& z) {
    return Point(static_cast<std::int16_t>(std::lround(x * z.sx)),
                 static_cast<std::int16_t>(std::lround(y * z.sy)));
}

// ---------------------------------------------------------------------------------------------------
// Ground

int grassShade(int level) {
    return std::clamp(3 + level, 0, 11);
}

// Speckles, blades and tufts that make a plain fill read as grass.
void grassTexture(cairo_t* cr, Noise& n, int g, bool green, double area) {
    const int specks = static_cast<int>(area / 22);
    for (int i = 0; i < specks; ++i) {
        const int d = n.next(4);
        setSource(cr, shade(Grass, g + (d == 0 ? -2 : d == 1 ? -1 : d == 2 ? 1 : 0)));
        blob(cr, n.range(0, 130), n.range(0, 76), n.range(1.0, 2.6), n.range(0.8, 1.8));
        cairo_fill(cr);
    }
    cairo_set_line_width(cr, 1.0);
    for (int i = 0; i < specks / 3; ++i) {
        const double x = n.range(0, 130), y = n.range(0, 76);
        setSource(cr, shade(Grass, g + 2));
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + n.range(-1.5, 1.5), y - n.range(2, 4));
        cairo_stroke(cr);
    }
    for (int i = 0; i < specks / 12; ++i) {
        setSource(cr, green ? shade(Forest, 6 + n.next(3)) : shade(Earth, 5 + n.next(3)));
        blob(cr, n.range(0, 130), n.range(0, 76), n.range(1.5, 3.5), n.range(1, 2));
        cairo_fill(cr);
    }
}

void waterFill(cairo_t* cr, Noise& n) {
    // Slanting bands through all nine water colours: as the animator turns the colours the bands seem to
    // flow.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (int k = -12; k < 40; ++k) {
        setSource(cr, static_cast<std::uint8_t>(colour::WaterFirst + ((k % 9) + 9) % 9));
        const double x = k * 5.0;
        cairo_move_to(cr, x, 0);
        cairo_line_to(cr, x + 5.2, 0);
        cairo_line_to(cr, x + 5.2 + 25, 80);
        cairo_line_to(cr, x + 25, 80);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
    for (int i = 0; i < 14; ++i) {
        const double x = n.range(5, 120), y = n.range(6, 60);
        setSource(cr, static_cast<std::uint8_t>(colour::WaterLast - n.next(2)));
        cairo_set_line_width(cr, 1.2);
        cairo_move_to(cr, x, y);
        cairo_curve_to(cr, x + 3, y - 1.5, x + 6, y + 1.5, x + 9, y);
        cairo_stroke(cr);
    }
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
}

// A bank along a side of a river hex, rising to the higher neighbour there.
void bank(cairo_t* cr, Noise& n, int side, bool green) {
    const P2 a = SideFrom[side], b = SideTo[side];
    const double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
    const double nx = 65 - mx, ny = 32 - my;
    const double len = std::sqrt(nx * nx + ny * ny);
    const double ux = nx / len, uy = ny / len;
    const double depth = side == 0 || side == 3 ? 14 : 11;
    cairo_move_to(cr, a.x - ux * 2, a.y - uy * 2);
    const int steps = 8;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double wob = depth * (0.7 + 0.3 * n.unit()) * std::sin(t * M_PI * 0.999 + 0.001) + 3;
        cairo_line_to(cr, a.x + (b.x - a.x) * t + ux * wob, a.y + (b.y - a.y) * t + uy * wob);
    }
    cairo_line_to(cr, b.x - ux * 2, b.y - uy * 2);
    cairo_close_path(cr);
    setSource(cr, shade(Sand, 5));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.5);
    setSource(cr, shade(Earth, 4));
    cairo_stroke(cr);
    // Grass creeping over the top of the bank.
    cairo_set_line_width(cr, 3);
    setSource(cr, green ? shade(Grass, 5) : shade(Grass, 4));
    cairo_move_to(cr, a.x + ux * 2, a.y + uy * 2);
    cairo_line_to(cr, b.x + ux * 2, b.y + uy * 2);
    cairo_stroke(cr);
}

// Shading of the slopes up to higher neighbours: facing away from the light (the light comes from the
// west) they darken, facing it they brighten.
void slopes(cairo_t* cr, int mask) {
    struct S {
        int bit;
        double x0, y0, x1, y1;
        bool light;
        double alpha;
    };
    const S s[4] = {{1, 0, 32, 44, 32, false, 0.32},
                    {2, 32, 8, 32 + 0.239 * 36, 8 + 0.971 * 36, false, 0.26},
                    {4, 97, 8, 97 - 0.239 * 36, 8 + 0.971 * 36, true, 0.22},
                    {8, 130, 32, 86, 32, true, 0.26}};
    for (const S& e : s) {
        if (!(mask & e.bit)) continue;
        cairo_pattern_t* p = cairo_pattern_create_linear(e.x0, e.y0, e.x1, e.y1);
        // Sunlit grass turns a paler, yellower green rather than white.
        const double r = e.light ? 0.75 : 0.0, g = e.light ? 1.0 : 0.0, b = e.light ? 0.45 : 0.0;
        cairo_pattern_add_color_stop_rgba(p, 0, r, g, b, e.alpha);
        cairo_pattern_add_color_stop_rgba(p, 1, r, g, b, 0);
        cairo_set_source(cr, p);
        cairo_paint(cr);
        cairo_pattern_destroy(p);
    }
}

// The 12-pixel slope below the hex's lower sides: lit on the left, in shade on the right.
void skirt(cairo_t* cr, Noise& n, int level, bool green) {
    const int g = grassShade(level);
    const std::uint8_t left = level == 0 ? shade(Earth, 4) : shade(green ? Grass : Grass, g - 1);
    const std::uint8_t right = level == 0 ? shade(Earth, 2) : shade(Grass, g - 3);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    setSource(cr, left);
    cairo_move_to(cr, -0.5, 47.5);
    cairo_line_to(cr, 65.5, 63.5);
    cairo_line_to(cr, 65.5, 76.5);
    cairo_line_to(cr, -0.5, 60.5);
    cairo_close_path(cr);
    cairo_fill(cr);
    setSource(cr, right);
    cairo_move_to(cr, 65, 63.5);
    cairo_line_to(cr, 130.5, 47.5);
    cairo_line_to(cr, 130.5, 60.5);
    cairo_line_to(cr, 65, 76.5);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    // Soil showing between the grass where the slope is steep.
    cairo_set_line_width(cr, 1);
    for (int i = 0; i < 26; ++i) {
        const double x = n.range(1, 129);
        const double top = x < 65 ? 48 + 16 * x / 65 : 64 - 16 * (x - 65) / 65;
        const double y = top + n.range(2, 9);
        setSource(cr,
                  level == 0 ? shade(Earth, 1 + n.next(2)) : shade(x < 65 ? Earth : Earth, x < 65 ? 5 : 3));
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x, y + n.range(1.5, 3));
        cairo_stroke(cr);
    }
}

Picture ground(const Zoom& z, int level, int mask, int variant, bool green, bool ford, PaletteMatcher& art,
               PaletteMatcher& water) {
    Canvas c(z.W, z.H);
    scaleTo(c, z);
    cairo_t* cr = c.art();
    Noise n(static_cast<std::uint32_t>(level * 1000 + mask * 31 + variant * 7 + (green ? 500 : 0) +
                                       (ford ? 9000 : 0)));
    skirt(cr, n, level, green);
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    hexPath(cr);
    cairo_clip(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    if (level == 0 || ford) {
        waterFill(cr, n);
        if (ford) {
            // A shallow crossing of sand and pebbles from bank to bank: rivers run across the screen, so
            // a ford runs from the hex's top point down to its bottom one, widest at the banks.
            cairo_move_to(cr, 44, -2);
            cairo_curve_to(cr, 58, 20, 56, 44, 42, 66);
            cairo_line_to(cr, 88, 66);
            cairo_curve_to(cr, 74, 44, 72, 20, 86, -2);
            cairo_close_path(cr);
            setSource(cr, shade(Sand, 6));
            cairo_fill(cr);
            for (int i = 0; i < 40; ++i) {
                const double y = n.range(0, 64);
                setSource(cr, i % 3 ? shade(Stone, 5 + n.next(4)) : shade(Sand, 8));
                blob(cr, 65 + n.range(-9, 9) * (1.2 - 0.5 * std::sin(y / 64 * M_PI)), y, n.range(1, 2.2),
                     n.range(0.7, 1.4));
                cairo_fill(cr);
            }
            cairo_set_line_width(cr, 1);
            // Water running over the shallows.
            for (int i = 0; i < 6; ++i) {
                const double x = n.range(56, 66), y = n.range(8, 56);
                setSource(cr, static_cast<std::uint8_t>(colour::WaterFirst + n.next(9)));
                cairo_move_to(cr, x, y);
                cairo_line_to(cr, x + 8, y + 0.5);
                cairo_stroke(cr);
            }
        }
        for (int side = 0; side < 4; ++side) {
            static const int bitOfSide[4] = {1, 2, 4, 8}; // W, NW, NE, E
            if (mask & bitOfSide[side]) bank(cr, n, side == 3 ? 3 : side, green);
        }
    } else {
        const int g = grassShade(level);
        setSource(cr, green ? shade(Grass, g + 1) : shade(Grass, g));
        cairo_paint(cr);
        grassTexture(cr, n, green ? g + 1 : g, green, 130 * 64);
        // Level ground is lit evenly, so neighbouring hexes run into each other; only slopes catch or
        // lose the light from the west.
        slopes(cr, mask);
    }
    cairo_restore(cr);
    return c.reduce(level == 0 || ford ? water : art, false);
}

// Cliff faces below a hex that drops `drop` levels to `lower`: three variants side by side, each a block
// wide, the left half the south-west face and the right half the south-east one, from just above the
// slope's foot down to the lower ground.
Picture cliff(const Zoom& z, int lower, int drop, PaletteMatcher& art) {
    const double step = 12 * z.sy;
    const int top = 3 * z.H / 4 + 2;
    const double extra = (drop - 1) * step;
    const int height = static_cast<int>(std::ceil(z.H - top + extra)) + 3;
    Canvas c(3 * z.W, height);
    cairo_t* cr = c.art();
    auto foot = [&](double xz) { // the slope's foot in the block, zoom pixels
        const double X = xz / z.sx;
        return z.sy * (X <= 65 ? 60 + 16 * X / 65 : 76 - 16 * (X - 65) / 65) - top;
    };
    for (int v = 0; v < 3; ++v) {
        Noise n(static_cast<std::uint32_t>(lower * 100 + drop * 10 + v + z.row * 1000));
        const double ox = v * z.W;
        for (int half = 0; half < 2; ++half) {
            const double x0 = half ? z.W / 2.0 : 0, x1 = half ? z.W : z.W / 2.0;
            cairo_save(cr);
            cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
            cairo_move_to(cr, ox + x0, foot(x0) - 2);
            cairo_line_to(cr, ox + x1, foot(x1) - 2);
            cairo_line_to(cr, ox + x1, foot(x1) + extra + 0.5);
            cairo_line_to(cr, ox + x0, foot(x0) + extra + 0.5);
            cairo_close_path(cr);
            cairo_clip_preserve(cr);
            setSource(cr, shade(Stone, half ? 4 : 7));
            cairo_fill(cr);
            cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
            // Strata following the slope of the face, and cracks down it.
            cairo_set_line_width(cr, std::max(0.8, z.sy * 1.3));
            for (double d = 3 * z.sy + n.range(0, 3 * z.sy); d < extra + 2; d += n.range(3.5, 6) * z.sy) {
                setSource(cr, shade(Stone, half ? 2 : 5));
                cairo_move_to(cr, ox + x0, foot(x0) + d);
                cairo_line_to(cr, ox + x1, foot(x1) + d + n.range(-1, 1) * z.sy);
                cairo_stroke(cr);
            }
            for (int k = 0; k < 3 + drop; ++k) {
                const double x = n.range(x0 + 1, x1 - 1);
                const double y = foot(x) + n.range(0, extra);
                setSource(cr, shade(Stone, half ? 1 : 3));
                cairo_move_to(cr, ox + x, y);
                cairo_line_to(cr, ox + x + n.range(-2, 2) * z.sy, y + n.range(4, 9) * z.sy);
                cairo_stroke(cr);
                setSource(cr, shade(Stone, half ? 6 : 9));
                blob(cr, ox + x - 1, y + 1, std::max(0.6, 1.4 * z.sy), std::max(0.6, 1.0 * z.sy));
                cairo_fill(cr);
            }
            // Scree and damp at the foot, darker above a river.
            for (int k = 0; k < 10; ++k) {
                const double x = n.range(x0, x1);
                setSource(cr, lower == 0 ? shade(Stone, 1) : shade(Earth, 3 + n.next(3)));
                blob(cr, ox + x, foot(x) + extra - n.range(0, 2.5 * z.sy), std::max(0.6, 2 * z.sy),
                     std::max(0.5, 1.2 * z.sy));
                cairo_fill(cr);
            }
            cairo_restore(cr);
        }
    }
    return c.reduce(art, false);
}

// ---------------------------------------------------------------------------------------------------
// Pieces drawn in block coordinates and cropped: the hot spot makes them land at the landscape's offset.

Drawn cropped(const Picture& whole, Point at) {
    int x0 = whole.width(), y0 = whole.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x)
            if (whole.at(x, y) != colour::Transparent) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    if (x1 < 0) return {Picture(1, 1), at};
    Picture p(x1 - x0 + 1, y1 - y0 + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            p.set(x - x0, y - y0, whole.at(x, y));
    return {std::move(p), Point(static_cast<std::int16_t>(at.x - x0), static_cast<std::int16_t>(at.y - y0))};
}

void streamAlong(cairo_t* cr, P2 a, P2 b) {
    const double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
    const double nx = 65 - mx, ny = 32 - my;
    const double len = std::sqrt(nx * nx + ny * ny);
    const double ux = nx / len * 2.5, uy = ny / len * 2.5;
    cairo_move_to(cr, a.x + ux, a.y + uy);
    cairo_curve_to(cr, a.x + (b.x - a.x) / 3 + ux * 1.6, a.y + (b.y - a.y) / 3 + uy * 1.6,
                   a.x + 2 * (b.x - a.x) / 3 + ux * 0.4, a.y + 2 * (b.y - a.y) / 3 + uy * 0.4, b.x + ux,
                   b.y + uy);
}

void waterStroke(cairo_t* cr, double width) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, width + 3);
    setSource(cr, shade(Earth, 4));
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, width);
    setSource(cr, colour::WaterFirst + 3);
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, width / 3);
    setSource(cr, colour::WaterFirst + 7);
    cairo_stroke(cr);
}

Drawn streamPiece(const Zoom& z, int side, PaletteMatcher& water) {
    Canvas c(z.W + 8, z.H + 8);
    cairo_translate(c.art(), 4, 4);
    scaleTo(c, z);
    streamAlong(c.art(), SideFrom[side], SideTo[side]);
    waterStroke(c.art(), 5);
    const int* at = FullSideAt[z.row][side];
    return cropped(c.reduce(water, false),
                   Point(static_cast<std::int16_t>(at[0] + 4), static_cast<std::int16_t>(at[1] + 4)));
}

Drawn junctionPiece(const Zoom& z, int k, PaletteMatcher& water) {
    // Corners where a stream along one side stops: the piece is a pool and a short bend at each.
    static const P2 corners[3][2] = {{{0, 16}, {0, 48}}, {{65, 0}, {0, 16}}, {{130, 16}, {65, 0}}};
    const int j = k / 3, code = k % 3;
    Canvas c(z.W + 24, z.H + 24);
    cairo_translate(c.art(), 12, 12);
    scaleTo(c, z);
    cairo_t* cr = c.art();
    for (int e = 0; e < 2; ++e) {
        if (!(code == 2 || code == e)) continue;
        const P2 p = corners[j][e];
        const double dx = (65 - p.x) * 0.12, dy = (32 - p.y) * 0.12;
        cairo_move_to(cr, p.x - dx, p.y - dy);
        cairo_curve_to(cr, p.x, p.y, p.x + dx, p.y + dy, p.x + dx * 1.6, p.y + dy * 1.8);
        waterStroke(cr, 5);
        blob(cr, p.x, p.y, 4.5, 3);
        setSource(cr, colour::WaterFirst + 5);
        cairo_fill(cr);
    }
    const int* at = JunctionAt[z.row][k];
    return cropped(c.reduce(water, false),
                   Point(static_cast<std::int16_t>(at[0] + 12), static_cast<std::int16_t>(at[1] + 12)));
}

Picture road(const Zoom& z, int piece, PaletteMatcher& art) {
    static const int ends[7][2] = {{0, 2}, {5, 2}, {1, 3}, {0, 3}, {5, 3}, {1, 4}, {0, 4}};
    Canvas c(z.W, z.H);
    scaleTo(c, z);
    cairo_t* cr = c.art();
    const P2 a = SideMiddle[ends[piece][0]], b = SideMiddle[ends[piece][1]];
    auto path = [&](double shift) {
        cairo_move_to(cr, a.x, a.y + shift);
        cairo_curve_to(cr, (a.x + 65) / 2, (a.y + 32) / 2 + shift, (b.x + 65) / 2, (b.y + 32) / 2 + shift,
                       b.x, b.y + shift);
    };
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    path(0);
    cairo_set_line_width(cr, 17);
    setSource(cr, shade(Earth, 4));
    cairo_stroke(cr);
    path(0);
    cairo_set_line_width(cr, 13);
    setSource(cr, shade(Earth, 7));
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.5);
    for (double s : {-3.0, 3.0}) {
        path(s);
        setSource(cr, shade(Earth, 5));
        cairo_stroke(cr);
    }
    Noise n(static_cast<std::uint32_t>(piece + 70));
    for (int i = 0; i < 30; ++i) {
        const double t = n.unit();
        const double x = a.x + (b.x - a.x) * t + n.range(-4, 4), y = a.y + (b.y - a.y) * t + n.range(-3, 3);
        setSource(cr, shade(Sand, 6 + n.next(3)));
        blob(cr, x, y, 1, 0.8);
        cairo_fill(cr);
    }
    return c.reduce(art, false);
}

Picture fordFix(const Zoom& z, int fix, PaletteMatcher& water) {
    // The shallows of a ford reaching into the river hex beside it, toward the ford's side.
    static const P2 at[6] = {{116, 26}, {98, 50}, {32, 50}, {14, 26}, {32, 12}, {98, 12}};
    Canvas c(z.W, z.H);
    scaleTo(c, z);
    cairo_t* cr = c.art();
    Noise n(static_cast<std::uint32_t>(fix + 300));
    blob(cr, at[fix].x, at[fix].y, 15, 7);
    setSource(cr, shade(Sand, 6));
    cairo_fill(cr);
    for (int i = 0; i < 12; ++i) {
        setSource(cr, shade(Stone, 5 + n.next(4)));
        blob(cr, at[fix].x + n.range(-11, 11), at[fix].y + n.range(-4, 4), 1.3, 0.9);
        cairo_fill(cr);
    }
    return c.reduce(water, false);
}

// ---------------------------------------------------------------------------------------------------
// Overlays and sprites

Drawn bush(const Zoom& z, int k, bool green, PaletteMatcher& art) {
    Noise n(static_cast<std::uint32_t>(k * 13 + (green ? 77 : 0) + 400));
    const double w = 30, h = 18;
    Canvas c(static_cast<int>(std::ceil(w * z.sx)) + 2, static_cast<int>(std::ceil(h * z.sy)) + 2);
    scaleTo(c, z);
    blob(c.shadow(), 17, 15.5, 12, 2.6);
    cairo_fill(c.shadow());
    cairo_t* cr = c.art();
    const Ramp leaf = green ? Grass : Forest;
    const int clumps = 4 + n.next(3);
    for (int i = 0; i < clumps; ++i) {
        const double x = n.range(7, 22), y = n.range(7, 12), r = n.range(4, 6.5);
        setSource(cr, shade(leaf, green ? 4 : 6));
        blob(cr, x, y, r, r * 0.85);
        cairo_fill(cr);
        setSource(cr, shade(leaf, green ? 7 : 9));
        blob(cr, x - r * 0.3, y - r * 0.3, r * 0.5, r * 0.4);
        cairo_fill(cr);
    }
    return {c.reduce(art), scaledPoint(15, 16, z)};
}

Drawn tree(const Zoom& z, int k, PaletteMatcher& art) {
    Noise n(static_cast<std::uint32_t>(k * 17 + 600));
    const double w = 58, h = 70, trunkX = 24, baseY = 64;
    Canvas c(static_cast<int>(std::ceil(w * z.sx)) + 1, static_cast<int>(std::ceil(h * z.sy)) + 1);
    scaleTo(c, z);
    cairo_t* cr = c.art();
    const int type = k % 4;
    // The shadow falls to the east, away from the light.
    blob(c.shadow(), trunkX + 15, baseY + 1, 17, 4.5);
    cairo_fill(c.shadow());
    setSource(cr, shade(Wood, 4));
    cairo_move_to(cr, trunkX - 2.5, baseY);
    cairo_line_to(cr, trunkX - 1.2, baseY - 22);
    cairo_line_to(cr, trunkX + 1.2, baseY - 22);
    cairo_line_to(cr, trunkX + 2.5, baseY);
    cairo_close_path(cr);
    cairo_fill(cr);
    setSource(cr, shade(Wood, 7));
    cairo_rectangle(cr, trunkX - 1.8, baseY - 20, 1.2, 19);
    cairo_fill(cr);
    const Ramp leaf = type == 3 ? Grass : Forest;
    const int dark = type == 3 ? 3 : 5, mid = type == 3 ? 5 : 7, lit = type == 3 ? 7 : 10;
    if (type == 1) {
        // A pine: stacked tiers.
        for (int t = 0; t < 4; ++t) {
            const double y = baseY - 14 - t * 11, half = 15 - t * 3;
            cairo_move_to(cr, trunkX - half, y);
            cairo_line_to(cr, trunkX, y - 17);
            cairo_line_to(cr, trunkX + half, y);
            cairo_close_path(cr);
            setSource(cr, shade(Forest, dark));
            cairo_fill(cr);
            cairo_move_to(cr, trunkX - half + 2, y - 1);
            cairo_line_to(cr, trunkX - 1, y - 15);
            cairo_line_to(cr, trunkX - 1, y - 1);
            cairo_close_path(cr);
            setSource(cr, shade(Forest, mid + 1));
            cairo_fill(cr);
        }
    } else {
        const double cy = type == 2 ? baseY - 36 : baseY - 32,
                     rx = type == 2   ? 11
                          : type == 3 ? 19
                                      : 16,
                     ry = type == 2   ? 24
                          : type == 3 ? 12
                                      : 15;
        for (int i = 0; i < 9; ++i) {
            const double x = trunkX + n.range(-rx * 0.6, rx * 0.6), y = cy + n.range(-ry * 0.55, ry * 0.55);
            const double r = n.range(0.45, 0.6) * std::min(rx, ry) + 3;
            setSource(cr, shade(leaf, dark));
            blob(cr, x + 1, y + 1, r, r * 0.9);
            cairo_fill(cr);
        }
        for (int i = 0; i < 8; ++i) {
            const double x = trunkX + n.range(-rx * 0.6, rx * 0.35), y = cy + n.range(-ry * 0.6, ry * 0.3);
            const double r = n.range(0.3, 0.42) * std::min(rx, ry) + 2;
            setSource(cr, shade(leaf, mid));
            blob(cr, x, y, r, r * 0.9);
            cairo_fill(cr);
            setSource(cr, shade(leaf, lit));
            blob(cr, x - r * 0.35, y - r * 0.35, r * 0.45, r * 0.4);
            cairo_fill(cr);
        }
    }
    return {c.reduce(art), scaledPoint(trunkX, baseY + 26, z)};
}

Drawn stones(const Zoom& z, int k, bool green, PaletteMatcher& art) {
    Noise n(static_cast<std::uint32_t>(k * 19 + (green ? 33 : 0) + 800));
    const double w = 28, h = 16;
    Canvas c(static_cast<int>(std::ceil(w * z.sx)) + 1, static_cast<int>(std::ceil(h * z.sy)) + 1);
    scaleTo(c, z);
    cairo_t* cr = c.art();
    const int count = 1 + n.next(3);
    for (int i = 0; i < count; ++i) {
        const double x = 8 + i * 6 + n.range(-2, 2), y = 11 + n.range(-2, 1.5), r = n.range(3, 6);
        blob(c.shadow(), x + r * 0.6, y + 1, r * 1.1, r * 0.4);
        cairo_fill(c.shadow());
        setSource(cr, shade(Stone, 4));
        cairo_move_to(cr, x - r, y + 1);
        cairo_line_to(cr, x - r * 0.7, y - r * 0.7);
        cairo_line_to(cr, x + r * 0.2, y - r);
        cairo_line_to(cr, x + r, y - r * 0.3);
        cairo_line_to(cr, x + r * 0.9, y + 1);
        cairo_close_path(cr);
        cairo_fill(cr);
        setSource(cr, shade(Stone, 9));
        cairo_move_to(cr, x - r * 0.7, y - r * 0.5);
        cairo_line_to(cr, x + r * 0.1, y - r * 0.85);
        cairo_line_to(cr, x + r * 0.1, y - r * 0.1);
        cairo_close_path(cr);
        cairo_fill(cr);
        if (green) {
            setSource(cr, shade(Grass, 6));
            blob(cr, x + r * 0.3, y - r * 0.5, r * 0.35, r * 0.25);
            cairo_fill(cr);
        }
    }
    return {c.reduce(art), scaledPoint(14 + 32, 12 + 20, z)};
}

Picture riverRocks(const Zoom& z, int k, PaletteMatcher& water) {
    Canvas c(z.W, z.H);
    scaleTo(c, z);
    cairo_t* cr = c.art();
    Noise n(static_cast<std::uint32_t>(k * 23 + 1000));
    cairo_save(cr);
    hexPath(cr, -4);
    cairo_clip(cr);
    for (int i = 0; i < 7; ++i) {
        const double x = n.range(15, 115), y = n.range(10, 54), r = n.range(4, 8);
        setSource(cr, shade(Stone, 10));
        blob(cr, x - r - 2, y + 1, 5, 1.5);
        cairo_fill(cr);
        setSource(cr, shade(Stone, 3));
        blob(cr, x, y, r, r * 0.6);
        cairo_fill(cr);
        setSource(cr, shade(Stone, 7));
        blob(cr, x - r * 0.3, y - r * 0.25, r * 0.5, r * 0.3);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    return c.reduce(water, false);
}

Picture scar(const Zoom& z, int k, PaletteMatcher& art) {
    Canvas c(z.W, z.H);
    scaleTo(c, z);
    cairo_t* cr = c.art();
    Noise n(static_cast<std::uint32_t>(k * 29 + 1200));
    cairo_save(cr);
    hexPath(cr, -6);
    cairo_clip(cr);
    for (int i = 0; i < 9; ++i) {
        setSource(cr, shade(Earth, 3 + n.next(3)));
        blob(cr, n.range(25, 105), n.range(16, 48), n.range(6, 14), n.range(3, 6));
        cairo_fill(cr);
    }
    cairo_set_line_width(cr, 1.2);
    for (int i = 0; i < 5; ++i) {
        const double x = n.range(30, 100), y = n.range(20, 46), a = n.range(0, M_PI);
        setSource(cr, shade(Wood, 5));
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + 14 * std::cos(a), y + 6 * std::sin(a));
        cairo_stroke(cr);
    }
    for (int i = 0; i < 25; ++i) {
        setSource(cr, shade(Earth, 1 + n.next(2)));
        blob(cr, n.range(25, 105), n.range(16, 48), 1.2, 0.8);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    return c.reduce(art, false);
}

Picture grid(const Zoom& z, bool outline, PaletteMatcher& art) {
    Canvas c(z.W, z.H);
    cairo_t* cr = c.art();
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (int i = 0; i <= 6; ++i) {
        const double x = std::min(HexX[i % 6] * z.sx, z.W - 0.5), y = HexY[i % 6] * z.sy;
        const double cx = x + (x < z.W / 2.0 ? 0.5 : x > z.W / 2.0 ? -0.5 : 0.0);
        if (i == 0)
            cairo_move_to(cr, cx, y + 0.5);
        else
            cairo_line_to(cr, cx, y + (y > 32 * z.sy ? -0.5 : 0.5));
    }
    cairo_set_line_width(cr, outline ? std::max(1.0, 3 * z.sy) : 1.0);
    setSource(cr, outline ? shade(NationYellow, 11) : shade(Forest, 2));
    cairo_stroke(cr);
    return c.reduce(art, false);
}

Picture background(const Zoom& z, PaletteMatcher& art) {
    const int w = std::max(8, 64 * z.W / 130), h = std::max(6, 48 * z.H / 76);
    Canvas c(w, h);
    cairo_t* cr = c.art();
    setSource(cr, shade(Grass, 2));
    cairo_paint(cr);
    Noise n(4242);
    for (int i = 0; i < w * h / 10; ++i) {
        const double x = n.range(0, w), y = n.range(0, h), r = n.range(0.6, 1.8);
        setSource(cr, n.next(3) ? shade(Grass, 1 + n.next(3)) : shade(Earth, 2 + n.next(2)));
        // Drawn again across the edges, so the tile repeats without seams.
        for (int dx : {-w, 0, w})
            for (int dy : {-h, 0, h}) {
                blob(cr, x + dx, y + dy, r, r * 0.7);
                cairo_fill(cr);
            }
    }
    return c.reduce(art, false);
}

Drawn battleArrow(const Zoom& z, int direction, PaletteMatcher& art) {
    // An arrow lying on the ground, pointing along a screen direction: its run across the map is drawn
    // at full length, its run up or down the screen at half, as the ground is seen at an angle.
    const double angle = (direction - 1) * M_PI / 4;
    const double ux = std::sin(angle), uy = -std::cos(angle) * 0.55;
    const double len = std::sqrt(ux * ux + uy * uy);
    const double dx = ux / len, dy = uy / len;
    const double px = -dy, py = dx;
    const double w = 96, h = 64, cx = 48, cy = 32, half = 34 * len / std::max(len, 0.55);
    Canvas c(static_cast<int>(std::ceil(w * z.sx)), static_cast<int>(std::ceil(h * z.sy)));
    scaleTo(c, z);
    auto shape = [&](cairo_t* cr, double ox, double oy) {
        const double tipX = cx + dx * half + ox, tipY = cy + dy * half + oy;
        const double baseX = cx - dx * half + ox, baseY = cy - dy * half + oy;
        const double neckX = tipX - dx * 18, neckY = tipY - dy * 18;
        const double s = 5, hw = 12;
        cairo_move_to(cr, baseX + px * s, baseY + py * s * 0.6);
        cairo_line_to(cr, neckX + px * s, neckY + py * s * 0.6);
        cairo_line_to(cr, neckX + px * hw, neckY + py * hw * 0.6);
        cairo_line_to(cr, tipX, tipY);
        cairo_line_to(cr, neckX - px * hw, neckY - py * hw * 0.6);
        cairo_line_to(cr, neckX - px * s, neckY - py * s * 0.6);
        cairo_line_to(cr, baseX - px * s, baseY - py * s * 0.6);
        cairo_close_path(cr);
    };
    shape(c.shadow(), 3, 3);
    cairo_fill(c.shadow());
    cairo_t* cr = c.art();
    shape(cr, 0, 0);
    setSource(cr, shade(NationRed, 8));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 2);
    setSource(cr, shade(NationRed, 2));
    cairo_stroke(cr);
    return {c.reduce(art), scaledPoint(cx, cy + 32, z)};
}

Drawn debris(const Zoom& z, int kind, int k, PaletteMatcher& art) {
    Noise n(static_cast<std::uint32_t>(kind * 50 + k + 1500));
    const double w = 70, h = 40;
    Canvas c(static_cast<int>(std::ceil(w * z.sx)), static_cast<int>(std::ceil(h * z.sy)));
    scaleTo(c, z);
    cairo_t* cr = c.art();
    const int count = kind == 1 ? 6 + n.next(4) : 3 + n.next(3);
    for (int i = 0; i < count; ++i) {
        const double x = n.range(8, 62), y = n.range(16, 36);
        if (kind == 1) {
            blob(c.shadow(), x + 3, y, 3, 1);
            cairo_fill(c.shadow());
            setSource(cr, shade(Stone, 4 + n.next(5)));
            blob(cr, x, y, n.range(1.5, 2.5), n.range(1, 1.6));
            cairo_fill(cr);
            continue;
        }
        // A shaft stuck in the ground, leaning, its shadow falling east.
        const double length = kind == 0 ? 13 : 24, lean = n.range(-0.7, 0.2);
        const double tx = x + std::sin(lean) * length, ty = y - std::cos(lean) * length * 0.8;
        cairo_set_line_width(c.shadow(), 1.5);
        cairo_move_to(c.shadow(), x, y);
        cairo_line_to(c.shadow(), x + length * 0.8, y + 2);
        cairo_stroke(c.shadow());
        cairo_set_line_width(cr, kind == 0 ? 1.2 : 1.8);
        setSource(cr, shade(Wood, 7));
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, tx, ty);
        cairo_stroke(cr);
        if (kind == 0) {
            setSource(cr, shade(Cloth, 10));
            blob(cr, tx, ty, 1.6, 1.6);
            cairo_fill(cr);
        }
    }
    return {c.reduce(art), Point()};
}

// The parchment overview of a battle map, seen in the normal view (scroll 1) or turned round (scroll 2).
Picture overview(const LogicalMapFile& map, bool reversed, PaletteMatcher& art) {
    const int cols = map.width(), rows = map.height();
    const double cw = 5, ch = 5;
    // The map window lays the units' marks over the picture less these margins (left and top, right and
    // bottom): the hexes fill exactly that part.
    const int left = 27, top = 22, right = 33, bottom = 33;
    const int w = static_cast<int>(rows * cw * 1.0 + cw) + left + right,
              h = static_cast<int>(cols * ch) + top + bottom;
    Canvas c(w, h);
    cairo_t* cr = c.art();
    setSource(cr, shade(Sand, 8));
    cairo_rectangle(cr, 2, 3, w - 4, h - 6);
    cairo_fill(cr);
    for (int s = 0; s < 2; ++s) {
        const double y = s ? h - 5 : 0;
        setSource(cr, shade(Sand, 4));
        cairo_rectangle(cr, 0, y, w, 5);
        cairo_fill(cr);
        setSource(cr, shade(Sand, 10));
        cairo_rectangle(cr, 0, y + 1, w, 1.5);
        cairo_fill(cr);
    }
    for (int col = 0; col < cols; ++col)
        for (int row = 0; row < rows; ++row) {
            if (col % 2 && row == rows - 1) continue;
            const int level = map.heightLevel(static_cast<std::size_t>(row * cols + col));
            double sx = 2 * (rows - row - 1) - (col % 2), sy = col;
            if (reversed) sx = 2 * (rows - 1) - sx, sy = cols - 1 - col;
            const double x = left + sx * cw / 2 + cw / 2, y = top + sy * ch;
            setSource(cr, level == 0 ? shade(NationBlue, 7) : shade(Grass, std::min(11, 3 + 2 * level)));
            cairo_rectangle(cr, x - 0.5, y, cw + 0.5, ch + 0.5);
            cairo_fill(cr);
            const int lx = MapFileBuilder::latticeX(static_cast<std::int16_t>(col * 100 + row)),
                      ly = MapFileBuilder::latticeY(static_cast<std::int16_t>(col * 100 + row));
            const std::uint16_t count = map.recordCount(lx, ly);
            const std::uint16_t* codes = map.recordValues(lx, ly);
            for (std::uint16_t k = 0; k < count; ++k) {
                std::uint8_t mark = 0;
                if (codes[k] == 1) mark = shade(Forest, 3);
                if (codes[k] == 2) mark = shade(Stone, 4);
                if (codes[k] == 12 || codes[k] == 13) mark = shade(Earth, 4);
                if (!mark) continue;
                setSource(cr, mark);
                blob(cr, x + cw / 2, y + ch / 2, 1.6, 1.4);
                cairo_fill(cr);
            }
        }
    return c.reduce(art, false);
}

// ---------------------------------------------------------------------------------------------------
// Archives

struct Builder {
    TerrainArchive out;
    void group(const std::string& name) { out.archive.groups.push_back({name, {}}); }
    void add(const std::string& name, Picture picture, Point hotSpot = Point(),
             std::int32_t kind = PixelShadowed) {
        out.archive.groups.back().images.push_back(ForgedImage{
            name,
            Dim(static_cast<std::int16_t>(picture.width()), static_cast<std::int16_t>(picture.height())),
            hotSpot, kind, picture.rawRows()});
        out.pictures.push_back(std::move(picture));
    }
    void add(const std::string& name, Drawn drawn) { add(name, std::move(drawn.picture), drawn.hotSpot); }
};

std::string numbered(const char* stem, int n) {
    return std::string(stem) + " " + std::to_string(n);
}

TerrainArchive groundArchive(const std::string& name, const std::string& file, const Zoom& z, bool green,
                             PaletteMatcher& art, PaletteMatcher& water) {
    Builder b{{file, name, {name, {}}, {}}};
    // The ground by level: "River" is level 0 and the levels above follow it in order.
    for (int level = 0; level < TerrainLevels; ++level) {
        b.group(level == 0 ? std::string("River") : numbered("Level", level));
        for (int frame = 0; frame < GroundFrames; ++frame) {
            const int mask = frame < 4 ? 0 : frame - 3;
            b.add(numbered("Slope", frame),
                  ground(z, level, mask, frame < 4 ? frame : 0, green, false, art, water));
        }
    }
    // Cliffs by the level at their foot: frame k is a drop of k + 2 levels.
    for (int lower = 0; lower + 2 < TerrainLevels; ++lower) {
        b.group(numbered("Cliff", lower));
        for (int drop = 2; lower + drop < TerrainLevels; ++drop)
            b.add(numbered("Drop", drop), cliff(z, lower, drop, art));
    }
    b.group("River Fords");
    for (int frame = 0; frame < GroundFrames; ++frame)
        b.add(numbered("Ford", frame),
              ground(z, 0, frame < 4 ? 0 : frame - 3, frame < 4 ? frame : 0, green, true, art, water));
    b.group("Minor Rivers");
    for (int side = 0; side < 6; ++side)
        b.add(numbered("Side", side), streamPiece(z, side, water));
    for (int k = 0; k < 9; ++k)
        b.add(numbered("Junction", k), junctionPiece(z, k, water));
    b.group("Ford Fix");
    for (int fix = 0; fix < 6; ++fix)
        b.add(numbered("Fix", fix), fordFix(z, fix, water));
    b.group("Roads");
    for (int piece = 0; piece < 7; ++piece)
        b.add(numbered("Road", piece), road(z, piece, art));
    return std::move(b.out);
}

TerrainArchive overlayArchive(const Zoom& z, const std::string& file, PaletteMatcher& art,
                              PaletteMatcher& water) {
    const std::string name = std::string("Landscape Overlays") + z.suffix;
    Builder b{{file, name, {name, {}}, {}}};
    for (bool green : {false, true}) {
        b.group(green ? "Bushes (Green)" : "Bushes");
        for (int k = 0; k < 6; ++k)
            b.add(numbered("Bush", k), bush(z, k, green, art));
    }
    b.group("River Impass");
    for (int k = 0; k < 3; ++k)
        b.add(numbered("Rocks", k), riverRocks(z, k, water));
    b.group("Scars");
    for (int k = 0; k < 4; ++k)
        b.add(numbered("Scar", k), scar(z, k, art));
    b.group("Trees");
    for (int k = 0; k < 8; ++k)
        b.add(numbered("Tree", k), tree(z, k, art));
    for (bool green : {false, true}) {
        b.group(green ? "Stones (Green)" : "Stones");
        for (int k = 0; k < 6; ++k)
            b.add(numbered("Stone", k), stones(z, k, green, art));
    }
    return std::move(b.out);
}

TerrainArchive simple(const std::string& name, const std::string& file) {
    return TerrainArchive{file, name, {name, {}}, {}};
}

} // namespace

std::vector<TerrainArchive> terrainArchives(const std::filesystem::path& sources) {
    PaletteMatcher art = PaletteMatcher::art(), water = PaletteMatcher::artWithWater();
    std::vector<TerrainArchive> out;
    static const char* groundNames[3] = {"Normal Landscape Artwork", "Zoomed Landscape Artwork",
                                         "2nd Zoomed Landscape Artwork"};
    static const char* sizeLetter[3] = {"f", "h", "q"};
    for (int zi = 0; zi < 3; ++zi) {
        const Zoom& z = zooms[zi];
        const std::string s = sizeLetter[zi];
        out.push_back(groundArchive(groundNames[zi], "land" + s + ".oif", z, false, art, water));
        out.push_back(groundArchive(std::string(groundNames[zi]) + " (Green)", "land" + s + "g.oif", z, true,
                                    art, water));
        out.push_back(overlayArchive(z, "ovl" + s + ".oif", art, water));
        for (bool outline : {false, true}) {
            Builder b{simple(std::string(outline ? "Hex Outline" : "Hex Grid") + z.suffix,
                             (outline ? "outl" : "grid") + s + ".oif")};
            b.group(outline ? "Outline" : "Grid");
            const Picture one = grid(z, outline, art);
            for (int mask = 0; mask < 16; ++mask)
                b.add(numbered("Mask", mask), one);
            out.push_back(std::move(b.out));
        }
        {
            Builder b{simple(std::string("Landscape Background") + z.suffix, "bkgd" + s + ".oif")};
            b.group("Blocks");
            b.add("Block #1", background(z, art), Point(), PixelOpaque);
            out.push_back(std::move(b.out));
        }
        {
            Builder b{simple(std::string("Battle Arrows") + z.suffix, "arrw" + s + ".oif")};
            b.group("Battle Arrows");
            static const char* dirs[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
            for (int d = 1; d <= 8; ++d)
                b.add(dirs[d - 1], battleArrow(z, d, art));
            out.push_back(std::move(b.out));
        }
        {
            Builder b{simple(std::string("Missile Debris") + z.suffix, "dbrs" + s + ".oif")};
            static const char* kinds[3] = {"Arrow", "Stone", "Javelin"};
            for (int kind = 0; kind < 3; ++kind) {
                b.group(kinds[kind]);
                for (int k = 0; k < 4; ++k)
                    b.add(numbered(kinds[kind], k), debris(z, kind, k, art));
            }
            out.push_back(std::move(b.out));
        }
    }
    Builder maps{simple("Overview Maps", "ovmaps.oif")};
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(sources, ec)) {
        const std::string fileName = entry.path().filename().string();
        if (fileName.size() > 8 && fileName.ends_with(".map.txt")) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        const auto bytes = MapFileBuilder::fromText(text).bytes();
        LogicalMapFile map;
        if (!map.read(bytes.data(), bytes.size(), path.string())) continue;
        maps.group(map.name());
        maps.add("Scroll 1", overview(map, false, art), Point(), PixelOpaque);
        maps.add("Scroll 2", overview(map, true, art), Point(), PixelOpaque);
    }
    if (!maps.out.archive.groups.empty()) out.push_back(std::move(maps.out));
    return out;
}

void writeTerrainSheets(const std::vector<TerrainArchive>& archives, const std::filesystem::path& directory) {
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    for (const TerrainArchive& a : archives) {
        // Pictures more than twice as wide as most (the cliffs, three faces wide) go on a sheet of their
        // own, so that the others keep small cells.
        std::vector<int> widths;
        for (const Picture& p : a.pictures)
            widths.push_back(p.width());
        if (widths.empty()) continue;
        std::nth_element(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(widths.size() / 2),
                         widths.end());
        const int usual = widths[widths.size() / 2];
        std::vector<const Picture*> pictures, wide;
        for (const Picture& p : a.pictures)
            (p.width() > 2 * usual ? wide : pictures).push_back(&p);
        const std::string stem = a.dataFile.substr(0, a.dataFile.find('.'));
        if (!pictures.empty())
            writeContactSheet(directory / (stem + ".png"), pictures, pictures.size() > 40 ? 19 : 8);
        if (!wide.empty()) writeContactSheet(directory / (stem + "_wide.png"), wide, 5);
    }
}

} // namespace vael::forge
