#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/assertion.h"
#include "framework/core/container.h"
#include "framework/core/geometry.h"

namespace vael {
namespace {

// Records every failed check and answers it with No, so that the code under test carries on.
class PromptRecorder {
public:
    PromptRecorder() {
        old_ = Assertion::setPrompt([this](const std::string& text, const std::string&) {
            texts.push_back(text);
            return false;
        });
    }
    ~PromptRecorder() { Assertion::setPrompt(old_); }
    std::vector<std::string> texts;

private:
    AssertionPrompt old_;
};

TEST(Point, ArithmeticIsFieldByFieldAndWrapsAt16Bits) {
    Point p(3, -4);
    EXPECT_EQ(p + Point(10, 20), Point(13, 16));
    EXPECT_EQ(p - Point(10, 20), Point(-7, -24));
    EXPECT_EQ(-p, Point(-3, 4));
    EXPECT_EQ(p * 3, Point(9, -12));
    EXPECT_EQ(Point(7, -7) / 2, Point(3, -3)); // truncates toward zero
    EXPECT_EQ(Point(32767, -32768) + Point(1, -1), Point(-32768, 32767));
    EXPECT_EQ(Point(300, 2) * 300, Point(static_cast<std::int16_t>(90000 - 65536), 600));
    EXPECT_EQ(-Point(-32768, 0), Point(-32768, 0));
    Point q(1, 1);
    q += Point(2, 3);
    q -= Point(1, 0);
    q *= 4;
    q /= 2;
    EXPECT_EQ(q, Point(4, 8));
    EXPECT_TRUE(zeroPoint.isZero());
    EXPECT_FALSE(Point(0, 1).isZero());
    EXPECT_NE(Point(1, 2), Point(2, 1));
}

TEST(Point, PlatformConversionKeepsLow16BitsAndSignExtendsBack) {
    EXPECT_EQ(Point(PlatformPoint{0x12345, -0x10001}), Point(0x2345, -1));
    PlatformPoint back = Point(-5, 7).toPlatform();
    EXPECT_EQ(back.x, -5);
    EXPECT_EQ(back.y, 7);
}

TEST(Dim, ArithmeticPlatformAndBox) {
    Dim d(10, 4);
    EXPECT_EQ(d + Dim(1, 2), Dim(11, 6));
    EXPECT_EQ(d - Dim(11, 2), Dim(-1, 2));
    EXPECT_EQ(d * -2, Dim(-20, -8));
    EXPECT_EQ(d / 3, Dim(3, 1));
    EXPECT_EQ(Dim(PlatformRect{5, 6, 25, 16}), Dim(20, 10));
    PlatformSize s = Dim(-3, 9).toPlatform();
    EXPECT_EQ(s.cx, -3);
    EXPECT_EQ(s.cy, 9);
    EXPECT_EQ(static_cast<Box>(d), Box(0, 0, 10, 4));
    EXPECT_TRUE(zeroDim.isZero());
}

TEST(Point3D, ArithmeticConstructionAndDistance) {
    Point3D p(1, 2, 3);
    EXPECT_EQ(p + Point3D(1, 1, 1), Point3D(2, 3, 4));
    EXPECT_EQ(p - Point3D(1, 1, 4), Point3D(0, 1, -1));
    EXPECT_EQ(p * 2, Point3D(2, 4, 6));
    EXPECT_EQ(Point3D(-9, 9, 5) / 2, Point3D(-4, 4, 2));
    EXPECT_EQ(Point3D(Point(4, 5)), Point3D(4, 5, 0));
    EXPECT_EQ(Point3D(Point(4, 5), 6), Point3D(4, 5, 6));
    EXPECT_NE(Point3D(1, 2, 3), Point3D(1, 2, 4));
    EXPECT_TRUE(Point3D().isZero());
    EXPECT_FALSE(Point3D(0, 0, 1).isZero());

    EXPECT_EQ(Point3D(0, 0, 0).distance(Point3D(3, 4, 12)), 13);
    EXPECT_EQ(Point3D(0, 0, 0).distance(Point3D(1, 1, 1)), 1);
    EXPECT_EQ(Point3D(-32768, -32768, -32768).distance(Point3D(32767, 32767, 32767)), 113509);
}

TEST(Point4D, TimeTravelsWithThePosition) {
    Point4D p(1, 2, 3, 100000);
    EXPECT_EQ(p + Point4D(1, 1, 1, 1), Point4D(2, 3, 4, 100001));
    EXPECT_EQ(p - Point4D(1, 1, 1, 200000), Point4D(0, 1, 2, -100000));
    EXPECT_EQ(p * 2, Point4D(2, 4, 6, 200000));
    EXPECT_EQ(p / 3, Point4D(0, 0, 1, 33333));
    EXPECT_EQ((Point4D(0, 0, 0, 2147483647) + Point4D(0, 0, 0, 1)).t, -2147483647 - 1);
    EXPECT_EQ(Point4D(Point3D(7, 8, 9)), Point4D(7, 8, 9, 0));
    EXPECT_EQ(Point4D(Point3D(7, 8, 9), 5), Point4D(7, 8, 9, 5));
    EXPECT_NE(Point4D(7, 8, 9, 5), Point4D(7, 8, 9, 6));
    EXPECT_FALSE(Point4D(0, 0, 0, 1).isZero());

    Point3D position;
    position.assign(p);
    EXPECT_EQ(position, Point3D(1, 2, 3));
}

TEST(Box, ConstructorsCornersAndConversions) {
    EXPECT_EQ(Box(Point(1, 2), Dim(3, 4)), Box(1, 2, 3, 4));
    EXPECT_EQ(Box(Point(1, 2), Point(11, 22)), Box(1, 2, 10, 20));
    EXPECT_EQ(Box(PlatformRect{-5, 5, 15, 25}), Box(-5, 5, 20, 20));
    Box b(1, 2, 10, 20);
    EXPECT_EQ(b.topLeft(), Point(1, 2));
    EXPECT_EQ(b.topRight(), Point(11, 2));
    EXPECT_EQ(b.bottomLeft(), Point(1, 22));
    EXPECT_EQ(b.bottomRight(), Point(11, 22));
    EXPECT_EQ(static_cast<Point>(b), Point(1, 2));
    EXPECT_EQ(static_cast<Dim>(b), Dim(10, 20));
    PlatformRect r = b.toPlatform();
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.right, 11);
    EXPECT_EQ(r.bottom, 22);
    EXPECT_TRUE(zeroBox.isZero());
}

TEST(Box, GrowsWithADimAndMovesWithAPoint) {
    Box b(1, 2, 10, 20);
    EXPECT_EQ(b + Dim(5, 5), Box(1, 2, 15, 25));
    EXPECT_EQ(b + Point(5, -5), Box(6, -3, 10, 20));
    EXPECT_EQ(b - Point(5, -5), Box(-4, 7, 10, 20));
    b += Dim(1, 1);
    b += Point(1, 1);
    b -= Point(2, 0);
    EXPECT_EQ(b, Box(0, 3, 11, 21));
}

TEST(Box, ShrinkingNormalisesANegativeSize) {
    PromptRecorder prompts;
    EXPECT_EQ(Box(5, 5, 10, 10) - Dim(15, 2), Box(0, 5, 5, 8));
    EXPECT_EQ(Box(5, 5, 10, 10) - Dim(2, 15), Box(5, 0, 8, 5));
    Box b(5, 5, 10, 10);
    b -= Dim(3, 3);
    EXPECT_EQ(b, Box(5, 5, 7, 7));
    EXPECT_TRUE(prompts.texts.empty());
}

TEST(Box, ShrinkingToNothingFailsTheCheck) {
    PromptRecorder prompts;
    Box b = Box(5, 5, 10, 10) - Dim(10, 0);
    ASSERT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(prompts.texts[0], "Invalid Box Dimensions  Abort?");
    EXPECT_EQ(b, Box(5, 5, 0, 10)); // answered No: the caller carries on with the empty box

    auto old = Assertion::setPrompt([](const std::string&, const std::string&) { return true; });
    EXPECT_THROW(Box(5, 5, 10, 10) - Dim(0, 10), Assertion);
    Assertion::setPrompt(old);
}

TEST(Box, UnionIsTheBoundingBox) {
    EXPECT_EQ(Box(0, 0, 10, 10) | Box(20, 20, 5, 5), Box(0, 0, 25, 25));
    EXPECT_EQ(Box(20, 20, 5, 5) | Box(0, 0, 10, 10), Box(0, 0, 25, 25));
    Box b(-5, 3, 2, 2);
    b |= Box(0, 0, 1, 1);
    EXPECT_EQ(b, Box(-5, 0, 6, 5));
}

TEST(Box, ContainmentIsInclusiveForBoxesAndHalfOpenForPoints) {
    Box b(0, 0, 10, 10);
    EXPECT_FALSE(b.contains(Point(10, 5)));
    EXPECT_FALSE(b.contains(Point(5, 10)));
    EXPECT_FALSE(b.contains(Point(-1, 5)));
    EXPECT_TRUE(b.contains(Point(0, 0)));
    EXPECT_TRUE(b.contains(Point(9, 9)));
    EXPECT_TRUE(b.contains(Box(0, 0, 10, 10)));
    EXPECT_TRUE(b.contains(Box(2, 2, 8, 8)));
    EXPECT_FALSE(b.contains(Box(2, 2, 9, 8)));
    EXPECT_FALSE(b.contains(Box(-1, 0, 5, 5)));
}

TEST(Box, TouchingBoxesOverlapAndIntersectToAnEdge) {
    Box a(0, 0, 10, 10);
    EXPECT_TRUE(a.overlaps(Box(10, 0, 5, 5)));
    EXPECT_TRUE(Box(10, 0, 5, 5).overlaps(a));
    EXPECT_FALSE(a.overlaps(Box(11, 0, 5, 5)));
    EXPECT_FALSE(a.overlaps(Box(0, -6, 5, 5)));

    Box touching(10, 0, 5, 5);
    EXPECT_EQ(a.intersect(touching), 1);
    EXPECT_EQ(touching, Box(10, 0, 0, 5));
    EXPECT_EQ(a & Box(10, 0, 5, 5), Box(10, 0, 0, 5));

    Box apart(11, 0, 5, 5);
    EXPECT_EQ(a.intersect(apart), 0);
    EXPECT_EQ(apart, zeroBox);
    EXPECT_EQ(a & Box(11, 0, 5, 5), zeroBox);

    Box inner(-5, 3, 10, 20);
    EXPECT_EQ(a.intersect(inner), 1);
    EXPECT_EQ(inner, Box(0, 3, 5, 7));
    Box c(0, 0, 10, 10);
    c &= Box(5, 5, 10, 10);
    EXPECT_EQ(c, Box(5, 5, 5, 5));
}

TEST(Box, OutcodesMarkEachSide) {
    Box b(0, 0, 10, 10);
    EXPECT_EQ(b.outcode(Point(5, 5)), 0);
    EXPECT_EQ(b.outcode(Point(10, 10)), 0); // the far edges are inside for clipping
    EXPECT_EQ(b.outcode(Point(5, 11)), 0x1);
    EXPECT_EQ(b.outcode(Point(5, -1)), 0x10);
    EXPECT_EQ(b.outcode(Point(11, 5)), 0x100);
    EXPECT_EQ(b.outcode(Point(-1, 5)), 0x1000);
    EXPECT_EQ(b.outcode(Point(-1, -1)), 0x1010);
    EXPECT_EQ(b.outcode(Point(11, 11)), 0x101);
}

TEST(Box, ClipLine) {
    Box b(0, 0, 10, 10);
    Point a(-10, 5), c(20, 5);
    EXPECT_EQ(b.clipLine(a, c), 1);
    EXPECT_EQ(a, Point(0, 5));
    EXPECT_EQ(c, Point(10, 5));

    Point d(-10, -10), e(-1, 20);
    EXPECT_EQ(b.clipLine(d, e), 0);

    Point inside1(1, 1), inside2(9, 2);
    EXPECT_EQ(b.clipLine(inside1, inside2), 1);
    EXPECT_EQ(inside1, Point(1, 1));
    EXPECT_EQ(inside2, Point(9, 2));

    // A diagonal through two sides: crossings are computed multiplication first, then truncated.
    Point f(-5, 0), g(15, 7);
    EXPECT_EQ(b.clipLine(f, g), 1);
    EXPECT_EQ(f, Point(0, 1));  // 0 + 7 * 5 / 20 = 1
    EXPECT_EQ(g, Point(10, 5)); // 1 + 6 * 10 / 15 = 5

    // Through a corner region that misses the box.
    Point h(-5, 8), i(3, 16);
    EXPECT_EQ(b.clipLine(h, i), 0);

    // Vertical segment clipped above and below.
    Point top(4, -20), bottom(4, 30);
    EXPECT_EQ(b.clipLine(top, bottom), 1);
    EXPECT_EQ(top, Point(4, 0));
    EXPECT_EQ(bottom, Point(4, 10));

    // The by-value form leaves the points alone.
    const Point p(-10, 5), q(20, 5);
    EXPECT_EQ(b.clipLine(p, q), 1);
    EXPECT_EQ(p, Point(-10, 5));
    EXPECT_EQ(b.clipLine(Point(-10, -10), Point(-1, 20)), 0);
}

TEST(Box, ClipLineWithExtremeCoordinatesStaysDefined) {
    Box huge(-32768, -32768, 32767, 32767);
    Point a(-32768, 32767), b(32767, -32768);
    huge.clipLine(a, b); // must neither overflow nor loop
    Box far(30000, 30000, 30000, 30000);
    Point c(-32768, -32768), d(32767, 32767);
    EXPECT_EQ(far.clipLine(c, d), 1);
}

TEST(Geometry, RecordsTravelInBoxes) {
    Container<Box> box(Box(1, 2, 3, 4));
    Box out;
    EXPECT_EQ(Container<Box>::fromMessage(&box, out), 1);
    EXPECT_EQ(out, Box(1, 2, 3, 4));
    EXPECT_EQ(box.typeName(), "Box");
    EXPECT_EQ(Container<Point3D>().typeName(), "Point3D");
    Point p(9, 9);
    EXPECT_EQ(Container<Point>::fromMessage(&box, p), 0);
    EXPECT_EQ(p, Point(9, 9));
}

} // namespace
} // namespace vael
