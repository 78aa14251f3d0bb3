#include <gtest/gtest.h>

#include <vector>

#include "support/rules/test_maps.h"
#include "support/rules/test_units.h"

namespace vael {
namespace {

using test::makeLandscape;

std::vector<short> toVector(const List<short>& list) {
    std::vector<short> out;
    ListIterator<short> it(const_cast<List<short>&>(list));
    for (short h = 0; it.next(h);)
        out.push_back(h);
    return out;
}

std::vector<std::uint16_t> sides(const VaelLogicalLandscape& map, std::int16_t hex) {
    std::vector<std::uint16_t> out;
    for (int d : {1, 2, 4, 5, 6, 8})
        out.push_back(map.neighbourId(hex, d));
    return out;
}

constexpr std::uint16_t X = 0xFFFF;

TEST(HexNumbering, IdsAndIndicesRunColumnTimesHundredPlusRowAndRowByRow) {
    auto map = makeLandscape(10, 8);
    EXPECT_EQ(map->regionCount(), 80);
    EXPECT_EQ(map->getSize(), Point(10, 8));
    EXPECT_EQ(map->idOf(0), 0);
    EXPECT_EQ(map->idOf(9), 900);
    EXPECT_EQ(map->idOf(10), 1);
    EXPECT_EQ(map->idOf(79), 907);
    EXPECT_EQ(map->indexOf(907), 79);
    EXPECT_EQ(map->indexOf(305), 53);
    EXPECT_EQ(map->regionAt(305)->id, 305);
    EXPECT_EQ(map->regionAtIndex(53)->id, 305);
    EXPECT_EQ(map->regionAt(-1), nullptr);
    EXPECT_EQ(map->regionAt(1000), nullptr); // column 10 is past the last
    EXPECT_EQ(map->regionAt(8), nullptr);    // row 8 is past the last
    EXPECT_EQ(map->regionAtIndex(80), nullptr);
}

TEST(HexNumbering, OddColumnsAreOneHexShorter) {
    auto map = makeLandscape(10, 8);
    EXPECT_FALSE(map->isValidHex(-1));
    EXPECT_FALSE(map->isValidHex(907));
    EXPECT_TRUE(map->isValidHex(807));
    EXPECT_TRUE(map->isValidHex(906));
    EXPECT_FALSE(map->isValidHex(107));
    EXPECT_FALSE(map->isValidHex(1000));
    EXPECT_FALSE(map->isValidHex(8));
    EXPECT_TRUE(map->isValidHex(0));
    // The unused hex still has its entry in the table.
    ASSERT_NE(map->regionAt(107), nullptr);
    EXPECT_EQ(map->regionAt(107)->id, 107);
}

TEST(HexNumbering, LatticePointsAndTheirInverse) {
    auto map = makeLandscape(10, 8);
    EXPECT_EQ(map->latticePoint(0), Point(2, 2));
    EXPECT_EQ(map->latticePoint(100), Point(4, 4));
    EXPECT_EQ(map->latticePoint(305), Point(8, 24));
    EXPECT_EQ(map->latticePoint(406), Point(10, 26));
    EXPECT_EQ(map->hexAtLatticePoint(Point(8, 24)), 305);
    EXPECT_EQ(map->hexAtLatticePoint(Point(10, 26)), 406);
    // Side midpoints fall back on the hex whose column and row the divisions give.
    EXPECT_EQ(map->hexAtLatticePoint(Point(9, 25)), 305);
    EXPECT_EQ(map->hexAtLatticePoint(Point(2, 2)), 0);
}

TEST(HexNumbering, CentresOfRowsFiftyAndBelowStayInTheirColumn) {
    auto map = makeLandscape(3, 60);
    EXPECT_EQ(map->latticePoint(155), Point(4, 4 * 55 + 4));
    EXPECT_EQ(map->hexDistance(49, 50), 1);
    EXPECT_EQ(map->bearingBetween(49, 50), 12);
    EXPECT_EQ(map->neighbourDirection(149, 150), 5);
}

TEST(Neighbours, CornersEdgesAndTheShortOddColumns) {
    auto map = makeLandscape(10, 8);
    EXPECT_EQ(sides(*map, 0), (std::vector<std::uint16_t>{X, X, 100, 1, X, X}));
    EXPECT_EQ(sides(*map, 100), (std::vector<std::uint16_t>{X, 200, 201, 101, 1, 0}));
    EXPECT_EQ(map->neighbourId(106, 5), X);
    EXPECT_EQ(sides(*map, 106), (std::vector<std::uint16_t>{105, 206, 207, X, 7, 6}));
    // Even column, last row: no south, south-east or south-west neighbour.
    EXPECT_EQ(sides(*map, 207), (std::vector<std::uint16_t>{206, 306, X, X, X, 106}));
    // Last column (odd): nothing to the east.
    EXPECT_EQ(sides(*map, 903), (std::vector<std::uint16_t>{902, X, X, 904, 804, 803}));
    EXPECT_EQ(sides(*map, 906), (std::vector<std::uint16_t>{905, X, X, X, 807, 806}));
    // An interior hex of an even column and one of an odd column.
    EXPECT_EQ(sides(*map, 404), (std::vector<std::uint16_t>{403, 503, 504, 405, 304, 303}));
    EXPECT_EQ(sides(*map, 505), (std::vector<std::uint16_t>{504, 605, 606, 506, 406, 405}));
    const LogicalRegion* r = map->regionAt(505);
    EXPECT_EQ(r->neighbourCount, 10);
    EXPECT_EQ(r->neighbours[0], 505);
    EXPECT_EQ(r->neighbours[3], X);
    EXPECT_EQ(r->neighbours[7], X);
    EXPECT_EQ(r->neighbours[9], X);
    EXPECT_EQ(map->neighbourRegion(505, 2)->id, 605);
    EXPECT_EQ(map->neighbourRegion(0, 1), nullptr);
    EXPECT_EQ(map->neighbourRegion(0, 3), nullptr);
    EXPECT_EQ(map->neighbourId(0, 12), X);
    EXPECT_EQ(map->neighbourId(-1, 1), X);
}

TEST(Neighbours, EveryLinkOnTheMapIsMutualAndOnTheMap) {
    auto map = makeLandscape(7, 6);
    const int opposite[9] = {0, 5, 6, 0, 8, 1, 2, 0, 4};
    for (int i = 0; i < map->regionCount(); ++i) {
        const std::int16_t hex = map->idOf(static_cast<std::int16_t>(i));
        if (!map->isValidHex(hex)) continue;
        for (int d : {1, 2, 4, 5, 6, 8}) {
            const std::uint16_t n = map->neighbourId(hex, d);
            if (n == X) continue;
            ASSERT_TRUE(map->isValidHex(static_cast<std::int16_t>(n))) << hex << " " << d;
            EXPECT_EQ(map->neighbourId(static_cast<std::int16_t>(n), opposite[d]), hex) << hex << " " << d;
            EXPECT_EQ(map->hexDistance(hex, static_cast<std::int16_t>(n)), 1);
        }
    }
}

TEST(Neighbours, AOneColumnMapHasNoEastOrWestNeighbours) {
    auto map = makeLandscape(1, 3);
    EXPECT_EQ(sides(*map, 0), (std::vector<std::uint16_t>{X, X, X, 1, X, X}));
    EXPECT_EQ(sides(*map, 1), (std::vector<std::uint16_t>{0, X, X, 2, X, X}));
    EXPECT_EQ(sides(*map, 2), (std::vector<std::uint16_t>{1, X, X, X, X, X}));
}

TEST(Neighbours, AOneRowMapHasOnlyItsEvenColumns) {
    auto map = makeLandscape(3, 1);
    EXPECT_TRUE(map->isValidHex(0));
    EXPECT_FALSE(map->isValidHex(100));
    EXPECT_TRUE(map->isValidHex(200));
    EXPECT_EQ(sides(*map, 0), (std::vector<std::uint16_t>{X, X, X, X, X, X}));
    EXPECT_EQ(sides(*map, 200), (std::vector<std::uint16_t>{X, X, X, X, X, X}));
}

TEST(Neighbours, NeighbourDirectionTriesTheSidesAndNeverTheHexItself) {
    auto map = makeLandscape(10, 8);
    EXPECT_EQ(map->neighbourDirection(404, 404), 0);
    EXPECT_EQ(map->neighbourDirection(404, 403), 1);
    EXPECT_EQ(map->neighbourDirection(404, 503), 2);
    EXPECT_EQ(map->neighbourDirection(404, 504), 4);
    EXPECT_EQ(map->neighbourDirection(404, 405), 5);
    EXPECT_EQ(map->neighbourDirection(404, 304), 6);
    EXPECT_EQ(map->neighbourDirection(404, 303), 8);
    EXPECT_EQ(map->neighbourDirection(404, 406), 0);
    // "No hex" is no neighbour, although the empty slots hold its number.
    EXPECT_EQ(map->neighbourDirection(0, -1), 0);
    EXPECT_EQ(map->neighbourDirection(-1, 0), 0);
}

TEST(Neighbours, HasNeighbourOfARealRegion) {
    auto map = makeLandscape(10, 8);
    const LogicalRegion* corner = map->regionAt(0);
    EXPECT_EQ(corner->hasNeighbour(0), 1);
    EXPECT_EQ(corner->hasNeighbour(100), 1);
    EXPECT_EQ(corner->hasNeighbour(1), 1);
    for (int n = -1; n < 1100; ++n) {
        if (!map->isValidHex(static_cast<std::int16_t>(n))) {
            EXPECT_EQ(corner->hasNeighbour(static_cast<std::uint16_t>(n)), 0) << n;
        }
    }
}

struct BearingCase {
    std::int16_t to;
    std::int16_t bearing;
};

TEST(Bearing, EveryClassInEveryQuadrantFromHex505) {
    auto map = makeLandscape(10, 10);
    const BearingCase cases[] = {
        {504, 0},  {603, 1},  {604, 2},  {703, 3},  {605, 4},  {805, 5},  {705, 6},  {806, 7},
        {606, 8},  {707, 9},  {607, 10}, {608, 11}, {506, 12}, {408, 13}, {407, 14}, {307, 15},
        {406, 16}, {206, 17}, {305, 18}, {205, 19}, {405, 20}, {303, 21}, {404, 22}, {403, 23},
    };
    for (const auto& c : cases)
        EXPECT_EQ(map->bearingBetween(505, c.to), c.bearing) << c.to;
    EXPECT_EQ(map->bearingBetween(505, 505), -1);
}

TEST(Bearing, FacingTowardsAndFrontArcs) {
    auto map = makeLandscape(10, 8);
    EXPECT_EQ(map->bearingBetween(404, 403), 0);
    EXPECT_EQ(map->facingTowards(404, 403), NorthEast);
    EXPECT_EQ(map->bearingBetween(404, 405), 12);
    EXPECT_EQ(map->facingTowards(404, 404), NorthEast);
    // The code whose arc begins at the side of each neighbour.
    EXPECT_EQ(map->facingTowards(404, 403), 2);
    EXPECT_EQ(map->facingTowards(404, 503), 3);
    EXPECT_EQ(map->facingTowards(404, 504), 4);
    EXPECT_EQ(map->facingTowards(404, 405), 6);
    EXPECT_EQ(map->facingTowards(404, 304), 7);
    EXPECT_EQ(map->facingTowards(404, 303), 8);

    EXPECT_EQ(toVector(map->frontArc(2)), (std::vector<short>{0, 1, 2, 3, 4}));
    EXPECT_EQ(toVector(map->frontArc(3)), (std::vector<short>{4, 5, 6, 7, 8}));
    EXPECT_EQ(toVector(map->frontArc(4)), (std::vector<short>{8, 9, 10, 11, 12}));
    EXPECT_EQ(toVector(map->frontArc(6)), (std::vector<short>{12, 13, 14, 15, 16}));
    EXPECT_EQ(toVector(map->frontArc(7)), (std::vector<short>{16, 17, 18, 19, 20}));
    EXPECT_EQ(toVector(map->frontArc(8)), (std::vector<short>{20, 21, 22, 23, 0}));
    for (int code : {0, 1, 5, 9, -1})
        EXPECT_TRUE(map->frontArc(code).isEmpty()) << code;

    EXPECT_TRUE(map->inFrontArc(404, 403, 2));
    EXPECT_TRUE(map->inFrontArc(404, 403, 8));
    EXPECT_FALSE(map->inFrontArc(404, 403, 3));
    EXPECT_FALSE(map->inFrontArc(404, 404, 2)); // the same hex has no bearing
    EXPECT_FALSE(map->inFrontArc(404, 403, 12));
}

TEST(Distance, StepsBetweenHexes) {
    auto map = makeLandscape(10, 10);
    EXPECT_EQ(map->hexDistance(505, 505), 0);
    for (int d : {1, 2, 4, 5, 6, 8})
        EXPECT_EQ(map->hexDistance(505, static_cast<std::int16_t>(map->neighbourId(505, d))), 1) << d;
    EXPECT_EQ(map->hexDistance(0, 101), 2);
    EXPECT_EQ(map->hexDistance(505, 705), 2);
    EXPECT_EQ(map->hexDistance(505, 603), 3);
    EXPECT_EQ(map->hexDistance(0, 303), 5);
    EXPECT_EQ(map->hexDistance(0, 908), 13); // ax 18, ay 34
    EXPECT_EQ(map->doubledTriangleArea(0, 303, 100), 16);
    EXPECT_EQ(map->doubledTriangleArea(0, 303, 1), 24);
    EXPECT_EQ(map->doubledTriangleArea(505, 503, 504), 0);
}

TEST(HexLine, StraightDiagonalAndTrivialLines) {
    auto map = makeLandscape(10, 10);
    EXPECT_EQ(toVector(map->hexLine(505, 505)), (std::vector<short>{505}));
    EXPECT_EQ(toVector(map->hexLine(505, 605)), (std::vector<short>{505, 605}));
    EXPECT_EQ(toVector(map->hexLine(505, 503)), (std::vector<short>{505, 504, 503}));
    // Two of these steps are ties between the two candidate sides, and a tie goes to the second.
    EXPECT_EQ(toVector(map->hexLine(0, 303)), (std::vector<short>{0, 100, 101, 202, 203, 303}));
    EXPECT_EQ(toVector(map->hexLine(303, 0)).size(), 6u);
    EXPECT_EQ(toVector(map->hexLine(908, 0)).size(), 14u);
}

TEST(HexLine, EndsOffTheMapGiveNoLine) {
    auto map = makeLandscape(10, 8);
    EXPECT_TRUE(map->hexLine(0, 107).isEmpty());
    EXPECT_TRUE(map->hexLine(-1, 0).isEmpty());
    EXPECT_TRUE(map->hexLine(0, 2000).isEmpty());
}

TEST(HexLine, LinesAcrossTheWidestMapReachTheirEnds) {
    // Along the top row of a map 255 columns wide the doubled area of the one existing candidate grows
    // past 1000, more than any fixed score that could stand for the missing one.
    auto map = makeLandscape(255, 3);
    for (std::int16_t from : {0, 2, 25402, 12701})
        for (std::int16_t to : {25400, 25402, 1, 12700, 100}) {
            if (from == to) continue;
            const auto line = toVector(map->hexLine(from, to));
            ASSERT_FALSE(line.empty());
            EXPECT_EQ(line.front(), from);
            EXPECT_EQ(line.back(), to);
            EXPECT_EQ(line.size(), static_cast<std::size_t>(map->hexDistance(from, to) + 1))
                << from << " " << to;
            for (std::size_t i = 1; i < line.size(); ++i)
                EXPECT_EQ(map->hexDistance(line[i - 1], line[i]), 1) << from << " " << to;
        }
}

TEST(FlankHexes, RightAndLeftFlankNeighboursByFacing) {
    auto map = makeLandscape(10, 14);
    test::UnitSetup setup;
    setup.landscape = map.get();
    test::TestCombat unit(setup);
    EXPECT_EQ(unit.rightFlankHex(512, NorthEast), 613);
    EXPECT_EQ(unit.rightFlankHex(512, NorthWest), 612);
    EXPECT_EQ(unit.rightFlankHex(412, NorthEast), 512);
    EXPECT_EQ(unit.rightFlankHex(412, NorthWest), 511);
    EXPECT_EQ(unit.rightFlankHex(412, East), 413);
    EXPECT_EQ(unit.rightFlankHex(412, West), 411);
    EXPECT_EQ(unit.rightFlankHex(412, SouthEast), 312);
    EXPECT_EQ(unit.rightFlankHex(512, SouthEast), 413);
    EXPECT_EQ(unit.rightFlankHex(412, SouthWest), 311);
    EXPECT_EQ(unit.rightFlankHex(512, SouthWest), 412);
    // The right-flank neighbour is the region neighbour in direction facing + 2.
    for (DIRECTION f : {NorthEast, East, SouthEast, SouthWest, West, NorthWest})
        EXPECT_EQ(unit.rightFlankHex(505, f), map->neighbourId(505, rotateClockwise(f, 2))) << f;
    // Own facing (NorthEast) when none is given; left flank is the opposite facing's right flank.
    EXPECT_EQ(unit.rightFlankHex(412), 512);
    EXPECT_EQ(unit.leftFlankHex(412), map->neighbourId(412, 8));
    EXPECT_EQ(unit.leftFlankHex(412, East), 411);
    // Off the map: -1.
    EXPECT_EQ(unit.rightFlankHex(900, NorthEast), -1);
    EXPECT_EQ(unit.rightFlankHex(0, SouthWest), -1);
    EXPECT_EQ(unit.rightFlankHex(413, East), -1);
    EXPECT_EQ(unit.rightFlankHex(-1, East), -1);
    EXPECT_EQ(unit.rightFlankHex(412, North), -1);
}

TEST(FlankHexes, ADoubleSizedUnitsSecondHexFollowsItsHex) {
    auto map = makeLandscape(10, 14);
    test::UnitSetup setup;
    setup.landscape = map.get();
    setup.hex = 412;
    test::TestCombat unit(setup, 2, 1);
    EXPECT_EQ(unit.getSecondHex(), 512);
    unit.setHex(0xFFFF);
    EXPECT_EQ(unit.getSecondHex(), -1);
    unit.setHex(512);
    EXPECT_EQ(unit.getSecondHex(), 613);
    // Without a map test: the neighbour off the east edge is still named.
    unit.setHex(900);
    EXPECT_EQ(unit.getSecondHex(), 1001);
    test::TestCombat single(setup);
    EXPECT_EQ(single.getSecondHex(), -1);
    single.setHex(512);
    EXPECT_EQ(single.getSecondHex(), -1);
}

} // namespace
} // namespace vael
