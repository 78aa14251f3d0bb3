#include "tools/forge/walking_data.h"

#include <cmath>
#include <sstream>
#include <string>
#include <utility>

namespace vael::forge {

namespace {

constexpr int W = 130, H = 64; // the full-size hex cell
constexpr int Speeds[9] = {0, 50, 83, 130, 83, 50, 83, 130, 83};
// From a hex's centre to its neighbour's, by direction of movement.
const Point Neighbour[9] = {Point(),
                            Point(),
                            Point(W / 2, -12 - 3 * H / 4),
                            Point(W, -12),
                            Point(W / 2, 3 * H / 4 - 12),
                            Point(),
                            Point(-W / 2, 3 * H / 4 - 12),
                            Point(-W, -12),
                            Point(-W / 2, -12 - 3 * H / 4)};
constexpr std::int16_t MiddleLeg = 250;

int opposite(int d) {
    return (d + 3) % 8 + 1;
}

Point3D at(double x, double y) {
    return Point3D(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
}

// The points where a figure leaves its hex, by direction: on the hex's edge (a, b, half) or a little
// inside it.
std::array<Point3D, 9> edgePoints(const Point& p, int a, int b, int half) {
    const double ax = 0.75 * p.x, c = 3.0 / 16.0 * p.x, q = p.y / 4.0;
    std::array<Point3D, 9> e;
    e[1] = at(p.x, -H / 2);
    e[2] = at(a + ax + p.y, -b + c + q);
    e[3] = at(half, p.y);
    e[4] = at(a + ax - p.y, b - c + q);
    e[5] = at(p.x, H / 2);
    e[6] = at(-a + ax + p.y, b + c + q);
    e[7] = at(-half, p.y);
    e[8] = at(-a + ax - p.y, -b - c + q);
    return e;
}

struct Leg {
    Point3D to;
    std::uint32_t ms;
};

HexOffsets path(std::initializer_list<Leg> legs) {
    HexOffsets h;
    int i = 0;
    for (const Leg& leg : legs) {
        h.waypoints[i] = leg.to;
        h.durations[i] = leg.ms;
        ++i;
    }
    return h;
}

// A step up or down the screen crosses the hex beside it: out over one slanted edge to the next column,
// then up or down to the home row.
HexOffsets sideways(const Point3D& p, int direction, double factor, bool back) {
    double s = static_cast<double>(H) / (2.0 * W);
    const bool up = direction == 1;
    if ((up && p.x < 0) || (!up && p.x >= 0)) s = -s;
    const int x2 = p.x < 0 ? p.x + W / 2 : p.x - W / 2;
    const int from = back ? x2 : p.x, to = back ? p.x : x2;
    const double edge = up ? -H / 2.0 : H / 2.0;
    const Point3D out = at(from, from * s + edge), in = at(to, to * s - edge);
    const Point3D start = back ? at(x2, p.y) : p;
    const Point3D end = back ? p : at(x2, p.y);
    return path({{out, walkLegTime(start, out, direction, factor)},
                 {in, MiddleLeg},
                 {end, walkLegTime(in, end, direction, factor)}});
}

} // namespace

std::uint32_t walkLegTime(const Point3D& from, const Point3D& to, int direction, double speedFactor) {
    return static_cast<std::uint32_t>(1000.0 * from.distance(to) / (Speeds[direction] * speedFactor));
}

std::vector<FacingOffsets> generateFacingOffsets(const std::vector<HomePoints>& homes, double speedFactor) {
    constexpr int A = W / 4 + 1, B = static_cast<int>(H * 0.375 + 1);
    constexpr int A2 = static_cast<int>(A * 0.8), B2 = static_cast<int>(B * 0.8);
    std::vector<FacingOffsets> records(homes.size());
    for (std::size_t figure = 0; figure < homes.size(); ++figure) {
        for (int f = 1; f <= 8; ++f) {
            const Point& home = homes[figure][static_cast<std::size_t>(f)];
            const Point3D p(home, 0);
            DirectionOffsets& out = records[figure].facings[f];
            out.home = p;
            const auto e = edgePoints(home, A, B, W / 2);
            const auto e2 = edgePoints(home, A2, B2, W / 3);
            for (int d : {2, 3, 4, 6, 7, 8}) {
                const int o = opposite(d);
                const Point3D across = Point3D(Neighbour[d], 0) + e[static_cast<std::size_t>(o)];
                const Point3D& edge = e[static_cast<std::size_t>(d)];
                const Point3D& inner = e2[static_cast<std::size_t>(d)];
                const Point3D& entry = e[static_cast<std::size_t>(o)];
                const Point3D& innerEntry = e2[static_cast<std::size_t>(o)];
                HillOffsets& step = out.entries[d];
                step.variants[0] = path({{edge, walkLegTime(p, edge, d, speedFactor)},
                                         {p, walkLegTime(entry, p, d, speedFactor)}});
                // The last leg runs from where the figure enters the next hex to its home there.
                step.variants[1] = path({{inner, walkLegTime(p, inner, d, speedFactor)},
                                         {across, MiddleLeg},
                                         {p, walkLegTime(entry, p, d, speedFactor)}});
                step.variants[2] = path({{edge, walkLegTime(p, edge, d, speedFactor)},
                                         {innerEntry, MiddleLeg},
                                         {p, walkLegTime(innerEntry, p, d, speedFactor)}});
            }
            for (int v = 0; v < 3; ++v) {
                out.entries[1].variants[v] = sideways(p, 1, speedFactor, false);
                out.entries[9].variants[v] = sideways(p, 1, speedFactor, true);
                out.entries[5].variants[v] = sideways(p, 5, speedFactor, false);
                out.entries[10].variants[v] = sideways(p, 5, speedFactor, true);
            }
        }
    }
    return records;
}

namespace {

// Tables by facing 1, 2, 4, 5, 6, 8; facings 3 and 7 stand at the hex's point.
HomePoints sixFacings(Point n, Point ne, Point se, Point s, Point sw, Point nw) {
    return {Point(), n, ne, Point(), se, s, sw, Point(), nw};
}

HomePoints everyFacing(Point p) {
    return {Point(), p, p, p, p, p, p, p, p};
}

// A figure of its own at the hex's point, as a leader stands: the slot a formation keeps beyond its ranks.
const HomePoints Alone = everyFacing(Point(0, 11));

std::vector<HomePoints> eightFigures() {
    return {sixFacings({-32, -5}, {-22, -6}, {49, 2}, {33, 16}, {8, 32}, {-40, 27}),
            sixFacings({-9, -5}, {-3, 4}, {30, 12}, {10, 16}, {-11, 22}, {-21, 17}),
            sixFacings({14, -5}, {16, 14}, {11, 22}, {-13, 16}, {-30, 12}, {-2, 7}),
            sixFacings({37, -5}, {35, 24}, {-8, 32}, {-36, 16}, {-49, 2}, {17, -3}),
            sixFacings({-36, 16}, {-49, 2}, {22, -6}, {37, -5}, {35, 24}, {-13, 35}),
            sixFacings({-13, 16}, {-30, 12}, {3, 4}, {14, -5}, {16, 14}, {6, 25}),
            sixFacings({10, 16}, {-11, 22}, {-16, 14}, {-9, -5}, {-3, 4}, {25, 15}),
            sixFacings({33, 16}, {8, 32}, {-35, 24}, {-32, -5}, {-22, -6}, {44, 5})};
}

std::vector<HomePoints> sixFigures() {
    return {sixFacings({-30, -1}, {4, -12}, {44, 9}, {33, 24}, {0, 29}, {-38, 3}),
            sixFacings({0, -1}, {23, -1}, {26, 19}, {4, 24}, {-19, 13}, {-15, -6}),
            sixFacings({29, -1}, {41, 10}, {8, 28}, {-26, 24}, {-37, 7}, {8, -14}),
            sixFacings({-25, 24}, {-37, 2}, {13, -4}, {30, -1}, {41, 15}, {3, 18}),
            sixFacings({5, 24}, {-19, 13}, {-10, 5}, {0, -1}, {23, 4}, {21, 9}),
            sixFacings({34, 24}, {0, 24}, {-33, 13}, {-29, -1}, {4, -7}, {39, -1})};
}

std::vector<HomePoints> phalanx() {
    struct Line {
        Point step, start[4];
    };
    const Line lines[9] = {{},
                           {{23, 0}, {{-43, -2}, {-58, -2}, {-38, 19}, {-53, 19}}},
                           {{15, 8}, {{-43, -7}, {-33, -15}, {-52, 3}, {-42, -5}}},
                           {{0, 7}, {{10, -18}, {10, -17}, {-10, -22}, {-10, -21}}},
                           {{-15, 8}, {{52, 3}, {42, -5}, {43, -7}, {33, -15}}},
                           {{-23, 0}, {{39, 17}, {54, 17}, {34, -4}, {50, -4}}},
                           {{-15, -8}, {{18, 27}, {8, 35}, {27, 17}, {17, 25}}},
                           {{0, -7}, {{-10, 18}, {-10, 17}, {10, 15}, {10, 14}}},
                           {{15, -8}, {{-27, 17}, {-17, 25}, {-18, 27}, {-8, 35}}}};
    std::vector<HomePoints> homes(20);
    for (int f = 1; f <= 8; ++f)
        for (int soldier = 0; soldier < 20; ++soldier) {
            const Line& l = lines[f];
            const int k = soldier % 5;
            homes[static_cast<std::size_t>(soldier)][static_cast<std::size_t>(f)] =
                l.start[soldier / 5] + l.step * static_cast<std::int16_t>(k);
        }
    homes[15][5] = Point(49, -4);
    homes[0][3] = homes[1][3];
    homes[10][3] = homes[11][3];
    homes[0][7] = homes[1][7];
    homes[10][7] = homes[11][7];
    homes.push_back(Alone);
    return homes;
}

} // namespace

std::vector<HomePoints> formationHomes(const std::string& kind) {
    std::vector<HomePoints> homes;
    if (kind == "Foot") {
        homes = eightFigures();
    } else if (kind == "Mounted" || kind == "Companion" || kind == "Thessalian") {
        homes = sixFigures();
    } else if (kind == "Leader") {
        homes = {Alone};
    } else if (kind == "Elephant") {
        homes = {sixFacings({37, 23}, {21, 20}, {-27, 16}, {-39, 10}, {-23, -9}, {20, -12}),
                 sixFacings({-39, 23}, {-23, -9}, {20, -12}, {37, 10}, {24, 20}, {-27, 16}),
                 sixFacings({-1, 10}, {13, -2}, {9, 9}, {-1, 23}, {13, -2}, {9, 9})};
    } else if (kind == "Chariot") {
        homes = {sixFacings({27, 16}, {24, 20}, {-32, 18}, {-49, 10}, {-13, -9}, {20, -12}),
                 sixFacings({-49, 16}, {-23, -9}, {15, -12}, {27, 10}, {34, 20}, {-27, 16}),
                 sixFacings({-11, 3}, {13, -2}, {4, 8}, {-11, 23}, {-3, 11}, {-17, -3})};
    } else if (kind == "Phalanx") {
        return phalanx();
    } else if (kind == "Oxybeles") {
        homes = {{Point(), Point(0, 45), Point(0, 20), Point(0, 20), Point(0, 20), Point(0, 20), Point(0, 20),
                  Point(0, 20), Point(0, 20)}};
    }
    homes.push_back(Alone);
    return homes;
}

std::vector<WalkingSection> walkingSections() {
    // Horses and chariots cover ground faster than men on foot; elephants, the phalanx's close ranks and
    // the engine's crew slower.
    const std::vector<std::pair<const char*, double>> kinds = {
        {"Foot", 1.0},     {"Mounted", 1.5}, {"Companion", 1.5}, {"Thessalian", 1.5}, {"Leader", 1.0},
        {"Elephant", 0.8}, {"Chariot", 1.5}, {"Phalanx", 0.8},   {"Oxybeles", 0.7}};
    std::vector<WalkingSection> sections;
    for (const auto& [name, factor] : kinds)
        sections.push_back({name, generateFacingOffsets(formationHomes(name), factor)});
    return sections;
}

Bytes walkingAnimationBytes() {
    std::ostringstream out;
    writeWalkingAnimationData(out, walkingSections());
    const std::string s = out.str();
    return Bytes(s.begin(), s.end());
}

} // namespace vael::forge
