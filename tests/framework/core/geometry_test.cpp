#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "framework/core/bus_message.h"
#include "framework/core/direction.h"
#include "framework/core/geometry.h"
#include "support/failed_checks.h"

namespace vael {
namespace {

// Field by field, cut to 16 bits (the time of a Point4D to 32), dividing toward zero; conversions from the
// platform's records keep the low 16 bits.
TEST(Geometry, ArithmeticAndConversions) {
    Point p(3, -4);
    EXPECT_EQ(-p * 3 + Point(10, 20) - Point(1, 1), Point(0, 31));
    EXPECT_EQ(Point(7, -7) / 2, Point(3, -3));
    EXPECT_EQ(Point(32767, -32768) + Point(1, -1), Point(-32768, 32767));
    EXPECT_EQ(Point(300, 2) * 300, Point(static_cast<std::int16_t>(90000 - 65536), 600));
    EXPECT_EQ(-Point(-32768, 0), Point(-32768, 0));
    (((p += Point(2, 3)) -= Point(1, 0)) *= 4) /= 3;
    EXPECT_EQ(p, Point(5, -1));
    EXPECT_EQ(Dim(10, 4) * -2 / 3 + Dim(1, 2) - Dim(12, 0), Dim(-17, 0));
    EXPECT_EQ(Point3D(-9, 9, 5) * 2 / 4 + Point3D(1, 1, 1) - Point3D(0, 0, 5), Point3D(-3, 5, -2));
    EXPECT_EQ(Point4D(1, 2, 3, 100000) * 2 / 3 - Point4D(1, 1, 1, 200000), Point4D(-1, 0, 1, -133334));
    EXPECT_EQ((Point4D(0, 0, 0, 2147483647) + Point4D(0, 0, 0, 1)).t, -2147483647 - 1);
    EXPECT_NE(Point4D(7, 8, 9, 5), Point4D(7, 8, 9, 6));
    EXPECT_TRUE(zeroPoint.isZero() && zeroDim.isZero() && zeroBox.isZero() && !Point4D(0, 0, 0, 1).isZero());
    EXPECT_EQ(
        std::tuple(Point3D(0, 0, 0).distance(Point3D(3, 4, 12)), Point3D(0, 0, 0).distance(Point3D(1, 1, 1))),
        std::tuple(13, 1));
    EXPECT_EQ(Point3D(-32768, -32768, -32768).distance(Point3D(32767, 32767, 32767)), 113509);
    EXPECT_EQ(Point(PlatformPoint{0x12345, -0x10001}), Point(0x2345, -1)); // the low 16 bits
    EXPECT_EQ(Dim(PlatformRect{5, 6, 25, 16}), Dim(20, 10));
    EXPECT_EQ(static_cast<Box>(Dim(10, 4)), Box(0, 0, 10, 4));
    EXPECT_EQ(Box(Point(1, 2), Point(11, 22)), Box(1, 2, 10, 20));
    EXPECT_EQ(Box(PlatformRect{-5, 5, 15, 25}), Box(-5, 5, 20, 20));
    const Box b(1, 2, 10, 20);
    EXPECT_EQ(std::tuple(b.topLeft(), b.topRight(), b.bottomLeft(), b.bottomRight(), Point(b), Dim(b)),
              std::tuple(Point(1, 2), Point(11, 2), Point(1, 22), Point(11, 22), Point(1, 2), Dim(10, 20)));
}

TEST(Geometry, BoxesMoveGrowAndShrinkNormalised) {
    test::FailedChecks checks;
    Box b(1, 2, 10, 20);
    EXPECT_EQ(b + Dim(5, 5) + Point(5, -5) - Point(1, 1), Box(5, -4, 15, 25));
    ((b += Dim(1, 1)) += Point(1, 1)) -= Point(2, 0);
    EXPECT_EQ(b, Box(0, 3, 11, 21));
    EXPECT_EQ(Box(5, 5, 10, 10) - Dim(15, 2), Box(0, 5, 5, 8));
    EXPECT_EQ(Box(5, 5, 10, 10) - Dim(2, 15), Box(5, 0, 8, 5));
    EXPECT_EQ((b = Box(5, 5, 10, 10)) -= Dim(3, 3), Box(5, 5, 7, 7));
    EXPECT_EQ(checks.count(), 0u);
    // Shrinking to nothing fails the check; answered No, the caller carries on with the empty box.
    EXPECT_EQ(Box(5, 5, 10, 10) - Dim(10, 0), Box(5, 5, 0, 10));
    EXPECT_EQ(checks.texts, std::vector<std::string>{"Invalid Box Dimensions  Abort?"});
    test::FailedChecks aborting(true);
    EXPECT_THROW(Box(5, 5, 10, 10) - Dim(0, 10), Assertion);
}

// Points lie inside half-open, boxes inclusively; boxes that touch overlap and intersect to an edge.
TEST(Geometry, BoxUnionContainmentOverlapAndIntersection) {
    const Box a(0, 0, 10, 10);
    EXPECT_EQ(a | Box(20, 20, 5, 5), Box(0, 0, 25, 25));
    EXPECT_EQ(Box(-5, 3, 2, 2) |= Box(0, 0, 1, 1), Box(-5, 0, 6, 5));
    EXPECT_FALSE(a.contains(Point(10, 5)) || a.contains(Point(5, 10)) || a.contains(Point(-1, 5)));
    EXPECT_TRUE(a.contains(Point(0, 0)) && a.contains(Point(9, 9)));
    EXPECT_TRUE(a.contains(Box(0, 0, 10, 10)) && a.contains(Box(2, 2, 8, 8)));
    EXPECT_FALSE(a.contains(Box(2, 2, 9, 8)) || a.contains(Box(-1, 0, 5, 5)));
    EXPECT_TRUE(a.overlaps(Box(10, 0, 5, 5)) && Box(10, 0, 5, 5).overlaps(a));
    EXPECT_FALSE(a.overlaps(Box(11, 0, 5, 5)) || a.overlaps(Box(0, -6, 5, 5)));
    // Each edge touched and each edge missed by one.
    const std::tuple<Box, int, Box> rows[] = {
        {Box(10, 0, 5, 5), 1, Box(10, 0, 0, 5)},  {Box(11, 0, 5, 5), 0, zeroBox},
        {Box(-5, 2, 5, 5), 1, Box(0, 2, 0, 5)},   {Box(-6, 2, 5, 5), 0, zeroBox},
        {Box(2, -5, 5, 5), 1, Box(2, 0, 5, 0)},   {Box(2, -6, 5, 5), 0, zeroBox},
        {Box(2, 10, 5, 5), 1, Box(2, 10, 5, 0)},  {Box(2, 11, 5, 5), 0, zeroBox},
        {Box(-5, 3, 10, 20), 1, Box(0, 3, 5, 7)}, {Box(5, 5, 10, 10), 1, Box(5, 5, 5, 5)}};
    for (auto [in, result, out] : rows) {
        SCOPED_TRACE(::testing::Message() << in.x << "," << in.y << " " << in.w << "x" << in.h);
        EXPECT_EQ(std::tuple(a & in, Box(a) &= in), std::tuple(out, out));
        EXPECT_EQ((std::tuple{a.intersect(in), in}), std::tuple(result, out));
    }
}

TEST(Geometry, ClipLineKeepsThePartInsideTheBox) {
    const Box box(0, 0, 10, 10);
    const std::pair<Point, int> codes[] = {
        {{5, 5}, 0},       {{10, 10}, 0},      {{5, 11}, 0x1},   {{5, -1}, 0x10}, {{11, 5}, 0x100},
        {{-1, 5}, 0x1000}, {{-1, -1}, 0x1010}, {{11, 11}, 0x101}}; // the far edges count as inside
    for (auto [p, code] : codes)
        EXPECT_EQ(box.outcode(p), code) << p.x << "," << p.y;
    // Crossings multiply first, then truncate: 0 + 7 * 5 / 20 = 1, then 1 + 6 * 10 / 15 = 5.
    const std::tuple<Point, Point, int, Point, Point> lines[] = {
        {{-10, 5}, {20, 5}, 1, {0, 5}, {10, 5}}, {{1, 1}, {9, 2}, 1, {1, 1}, {9, 2}},
        {{-5, 0}, {15, 7}, 1, {0, 1}, {10, 5}},  {{4, -20}, {4, 30}, 1, {4, 0}, {4, 10}},
        {{-10, -10}, {-1, 20}, 0, {}, {}},       {{-5, 8}, {3, 16}, 0, {}, {}}}; // the last beside a corner
    for (auto [a, b, inside, clippedA, clippedB] : lines) // where the line misses, its points do not matter
        EXPECT_EQ((std::tuple{box.clipLine(a, b), inside ? a : clippedA, inside ? b : clippedB}),
                  std::tuple(inside, clippedA, clippedB));
    const Point p(-10, 5), q(20, 5); // the by-value form leaves its points alone
    EXPECT_EQ(std::tuple(box.clipLine(p, q), p), std::tuple(1, Point(-10, 5)));
    // Crossings whose products pass 32 bits, and edges beyond the 16-bit range, neither overflow nor loop.
    EXPECT_EQ(Box(30000, 30000, 30000, 30000).clipLine(Point(-32768, -32768), Point(32767, 32767)), 1);
}

TEST(Direction, RotatesBothWaysAndHasANameForEachValue) {
    using Rotation = DIRECTION (*)(DIRECTION, std::uint8_t);
    const Rotation cw = rotateClockwise, acw = rotateAnticlockwise;
    const std::tuple<Rotation, int, int, int> rows[] = {
        {cw, 8, 1, 1},   {cw, 3, 10, 5},   {acw, 1, 1, 8}, {cw, 0, 5, 0},   {cw, 9, 1, 0},
        {cw, 9, 0, 9},   {cw, 1, 8, 1},    {acw, 2, 1, 1}, {acw, 3, 10, 1}, {acw, 0, 3, 0},
        {acw, 12, 1, 0}, {acw, 12, 0, 12}, {cw, -1, 1, 0}, {cw, 6, 255, 5}};
    for (auto [rotate, from, steps, to] : rows)
        EXPECT_EQ(rotate(static_cast<DIRECTION>(from), static_cast<std::uint8_t>(steps)), to)
            << from << "," << steps;
    std::string names;
    for (int d = -1; d <= 9; ++d)
        names += std::string(directionName(static_cast<DIRECTION>(d))) + " ";
    EXPECT_EQ(names,
              "Unknown Unknown North NorthEast East SouthEast South SouthWest West NorthWest Unknown ");
    EXPECT_EQ(sizeof(DIRECTION), 4u);
}

// The event word: a 28-bit signed id under a 4-bit mode (compared by id only: see the command records).
TEST(BusMessage, SplitsIdAndModeAndComparesById) {
    const BusMessage word = BusMessage::fromWord(0xA8000001u);
    EXPECT_EQ(std::tuple(word.id(), word.mode(), BusMessage(0x12345678).id()),
              std::tuple(-134217727, 0xA, 0x02345678)); // sign-extended from bit 27; wider ids lose their top
    BusMessage m(70, BusMessage::Send);
    m.setMode(BusMessage::Query);
    m.setId(-2);
    EXPECT_EQ(std::tuple(m.word(), BusMessage(5).withMode(BusMessage::Immediate).word()),
              std::tuple(0x2FFFFFFEu, 0x10000005u));
}

} // namespace
} // namespace vael
