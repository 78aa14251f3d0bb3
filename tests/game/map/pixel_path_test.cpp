// Pixel paths through a flat map and down a slope, and the lines of hexes that leave the field, against
// way points worked out by hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "game/rules/roll.h"
#include "hex_map_fixture.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

std::vector<SpritePathEntry> entries(const List<SpritePathEntry>& list) {
    std::vector<SpritePathEntry> out;
    Item<SpritePathEntry>* item = nullptr;
    for (list.firstItem(item); item; item = item->next)
        out.push_back(item->value);
    return out;
}

RegionPathInfo path(std::initializer_list<short> hexes, Point offset = Point(), Point final = Point()) {
    RegionPathInfo info;
    info.offset = offset;
    info.finalOffset = final;
    for (short h : hexes)
        info.hexes.append(h);
    return info;
}

class PixelPathTest : public ::testing::Test {
protected:
    // A 6 x 6 map at level 1, hex 202 at level 2 when raised. In the normal view hex 202 is block 15
    // (screen row 2, position 3) with its centre at (455, 122) on level 1, (455, 110) on level 2.
    void make(bool raised) {
        l = PointedVaelLandscape::create(0);
        l->attach(app);
        feed(*l, 6, 6, mapRegions(6, 6, [raised](int hex) { return raised && hex == 202 ? 2 : 1; }));
    }
    ~PixelPathTest() override { Roll::endScript(); }
    TestApplication app;
    std::unique_ptr<PointedVaelLandscape> l;
};

TEST_F(PixelPathTest, StraightEastOnLevelGround) {
    make(false);
    const auto e = entries(l->pixelPath(path({202, 201})));
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ((std::tuple{e[0].position, e[0].hex, e[0].direction, e[0].rate}),
              std::tuple(Point(520, 122), 201, 3u, 1.0f));
    EXPECT_EQ((std::tuple{e[1].position, e[1].hex, e[1].direction, e[1].rate}),
              std::tuple(Point(585, 122), 201, 3u, 1.0f));
}

TEST_F(PixelPathTest, DownASlopeToTheSouthWest) {
    make(true);
    // 202 (level 2, centre (455, 110)) to its SW neighbour 302 (level 1, centre (390, 170)): the outer
    // SW point (-33, 25) of the high hex, then the inner NE point (26, -20) of the low one at rate 0.7.
    const auto e = entries(l->pixelPath(path({202, 302})));
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ((std::tuple{e[0].position, e[0].hex, e[0].direction, e[0].rate}),
              std::tuple(Point(422, 135), 302, 6u, 1.0f));
    EXPECT_EQ((std::tuple{e[1].position, e[1].hex, e[1].direction, e[1].rate}),
              std::tuple(Point(416, 150), 302, 6u, 0.7f));
    EXPECT_EQ((std::tuple{e[2].position, e[2].hex, e[2].direction}), std::tuple(Point(390, 170), 302, 6u));
}

TEST_F(PixelPathTest, ZigzagsBecomeStraightMovesNorthAndSouth) {
    make(false);
    // NW then NE from 202 is one move N through the NE side hex 101 (centre (520, 74)) to 2 (centre
    // (455, 26)); SE then SW is one move S through the SE side hex 301 (centre (520, 170)) to 402
    // (centre (455, 218)). The slope of the side is 64 / 260, 16 pixels over half a hex.
    const struct {
        std::initializer_list<short> hexes;
        std::vector<std::tuple<Point, std::int16_t, std::uint32_t>> expected;
    } rows[] = {
        {{202, 102, 2}, {{Point(455, 90), 101, 1u}, {Point(455, 58), 2, 1u}, {Point(455, 26), 2, 1u}}},
        {{202, 301, 402},
         {{Point(455, 154), 301, 5u}, {Point(455, 186), 402, 5u}, {Point(455, 218), 402, 5u}}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(*r.hexes.begin() + 0);
        const auto e = entries(l->pixelPath(path(r.hexes)));
        std::vector<std::tuple<Point, std::int16_t, std::uint32_t>> got;
        for (const auto& x : e)
            got.emplace_back(x.position, x.hex, x.direction);
        EXPECT_EQ(got, r.expected);
    }
}

TEST_F(PixelPathTest, AStraightMoveAlongTheEdgePassesBesideTheMap) {
    make(false);
    // NW then NE from 200 (block 17, the right end of its row, centre (715, 122)) is a move N whose NE
    // side hex lies off the map: it stands where it would, at (780, 74), and the sprite keeps its hex.
    const auto e = entries(l->pixelPath(path({200, 100, 0})));
    std::vector<std::tuple<Point, std::int16_t, std::uint32_t>> got;
    for (const auto& x : e)
        got.emplace_back(x.position, x.hex, x.direction);
    EXPECT_EQ(got, (std::vector<std::tuple<Point, std::int16_t, std::uint32_t>>{
                       {Point(715, 90), 200, 1u}, {Point(715, 58), 0, 1u}, {Point(715, 26), 0, 1u}}));
}

TEST_F(PixelPathTest, OneHexOrAHexOffTheMapGivesNoPath) {
    make(false);
    EXPECT_TRUE(entries(l->pixelPath(path({202}))).empty());
    EXPECT_TRUE(entries(l->pixelPath(path({}))).empty());
    EXPECT_TRUE(entries(l->pixelPath(path({202, 105}))).empty()); // 105: the last hex of an odd column
}

TEST_F(PixelPathTest, ARepeatedDirectionAddsNoCornerAndATurnAddsOne) {
    make(false);
    // E, E: two side points and the end; E then SE: a corner at the turn's hex centre.
    EXPECT_EQ(entries(l->pixelPath(path({202, 201, 200}))).size(), 3u);
    const auto turn = entries(l->pixelPath(path({203, 202, 301}, Point(4, 2))));
    ASSERT_EQ(turn.size(), 4u);
    EXPECT_EQ((std::tuple{turn[1].position, turn[1].hex, turn[1].direction}),
              std::tuple(Point(459, 124), 202, 3u));
}

class HexLineTest : public PixelPathTest {};

TEST_F(HexLineTest, RoutLinesEndBesideTheEdgeAndTerminate) {
    make(false);
    const std::int32_t R = l->rowCount(), N = l->columnCount();
    for (unsigned seed = 1; seed <= 40; ++seed)
        for (std::uint32_t d : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
            SCOPED_TRACE(std::to_string(seed) + " " + std::to_string(d));
            std::srand(seed);
            const auto line = l->hexLineInDirection(202, d);
            ASSERT_GE(line.count(), 1);
            ASSERT_LE(line.count(), R * N);
            short last = 0;
            line.last(last);
            const std::int32_t i = l->hexToBlock(last);
            ASSERT_GE(i, 0);
            const std::int32_t p = i % R, c = i / R;
            const bool edge = p == R - 1 || c == 0 || c == N - 1 || p == (l->rowShifted(c) ? 1 : 0);
            EXPECT_TRUE(edge) << last;
        }
}

TEST_F(HexLineTest, NearestTheLeftEdgeItNeverStepsEastAndRoadsComeFirst) {
    // Hex 205 is block 12 (row 2, position 0), nearer the left edge than the top: E (block 13) is
    // dropped, SE (hex 304) and NE (hex 104) remain.
    make(false);
    for (int roll = 0; roll < 4; ++roll) {
        SCOPED_TRACE(roll);
        for (int k = 0; k < 40; ++k)
            Roll::script({roll});
        const auto line = l->hexLineInDirection(205, 3);
        short second = 0;
        Item<short>* item = nullptr;
        line.firstItem(item);
        ASSERT_TRUE(item && item->next);
        second = item->next->value;
        EXPECT_NE(l->hexToBlock(second), 13);
        Roll::endScript();
    }
    // With a road on the SE candidate, the road is taken whatever the roll.
    l = PointedVaelLandscape::create(0);
    l->attach(app);
    feed(*l, 6, 6, mapRegions(6, 6, [](int) { return 1; }, {{304, 12}}));
    for (int roll = 0; roll < 4; ++roll) {
        SCOPED_TRACE(roll);
        for (int k = 0; k < 40; ++k)
            Roll::script({roll});
        const auto line = l->hexLineInDirection(205, 3);
        Item<short>* item = nullptr;
        line.firstItem(item);
        ASSERT_TRUE(item && item->next);
        EXPECT_EQ(item->next->value, 304);
        Roll::endScript();
    }
}

TEST_F(HexLineTest, RiverLinesOnlyFromRiverHexesInBattlesWithARule) {
    l = PointedVaelLandscape::create(0);
    l->attach(app);
    // Column 2 is the river; battle 2 carries units E (down the rows' positions) in the normal view.
    feed(*l, 6, 6, mapRegions(6, 6, [](int hex) { return hex / 100 == 2 ? 0 : 1; }), 2);
    std::int16_t flag = 7;
    EXPECT_EQ(l->exitLineForBattle(102, flag).count(), 0); // a land hex
    EXPECT_EQ(flag, 7);
    const auto line = l->exitLineForBattle(204, flag);
    EXPECT_EQ(flag, 0);
    std::vector<short> got;
    Item<short>* item = nullptr;
    for (line.firstItem(item); item; item = item->next)
        got.push_back(item->value);
    EXPECT_EQ(got, (std::vector<short>{204, 203, 202, 201, 200}));
    auto other = PointedVaelLandscape::create(0);
    other->attach(app);
    feed(*other, 6, 6, mapRegions(6, 6, [](int hex) { return hex / 100 == 2 ? 0 : 1; }), 5);
    flag = 7;
    EXPECT_EQ((std::tuple{other->exitLineForBattle(204, flag).count(), flag}), std::tuple(0, 7));
}

} // namespace
} // namespace vael::test
