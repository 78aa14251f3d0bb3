// Where the pointed hex landscape puts every hex, in both views and at both parities of the column
// count, against tables worked out by hand.
#include <gtest/gtest.h>

#include <set>

#include "game/rules/roll.h"
#include "hex_map_fixture.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

class HexGeometryTest : public ::testing::Test {
protected:
    TestApplication app;
};

std::unique_ptr<PointedVaelLandscape> flatMap(int columns, int rows, std::uint16_t mode) {
    auto l = PointedVaelLandscape::create(mode);
    feed(*l, columns, rows, mapRegions(columns, rows, [](int) { return 1; }));
    return l;
}

// A 3 x 4 map (odd column count): R = 4 positions a screen row, N = 3 screen rows.
TEST_F(HexGeometryTest, HexToBlockInBothViewsOfAnOddMap) {
    auto normal = flatMap(3, 4, 0), turned = flatMap(3, 4, 4);
    const struct {
        int hex, normal, reversed;
    } rows[] = {
        // col 0: c = 0, p = 3 - row; turned c = 2, p = row.
        {0, 3, 8},
        {3, 0, 11},
        // col 1 (odd): c = 1, p = 3 - row, row 3 off the map; turned c = 1, p = row + 1.
        {100, 7, 5},
        {102, 5, 7},
        {103, -1, -1},
        // col 2: c = 2; turned c = 0.
        {200, 11, 0},
        {203, 8, 3},
        // off the map
        {300, -1, -1},
        {4, -1, -1},
        {-1, -1, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.hex);
        EXPECT_EQ(normal->hexToBlock(static_cast<std::int16_t>(r.hex)), r.normal);
        EXPECT_EQ(turned->hexToBlock(static_cast<std::int16_t>(r.hex)), r.reversed);
        EXPECT_EQ(normal->hexHasBlock(static_cast<std::int16_t>(r.hex)), r.normal >= 0);
        if (r.normal >= 0) {
            EXPECT_EQ(normal->blockToHex(r.normal), r.hex);
        }
        if (r.reversed >= 0) {
            EXPECT_EQ(turned->blockToHex(r.reversed), r.hex);
        }
    }
    // Position 0 of the shifted row holds no hex in either view.
    EXPECT_EQ((std::tuple{normal->blockToHex(4), turned->blockToHex(4), normal->block(4), turned->block(4)}),
              std::tuple(-1, -1, nullptr, nullptr));
}

// Both views cover exactly the map's hexes, one block each, whatever the parity of the column count.
TEST_F(HexGeometryTest, BothViewsCoverExactlyTheMapsHexesAtEitherParity) {
    for (int columns : {3, 4, 5, 30}) {
        for (std::uint16_t mode : {0, 4}) {
            SCOPED_TRACE(std::to_string(columns) + " columns, mode " + std::to_string(mode));
            const int rows = 20;
            auto l = flatMap(columns, rows, mode);
            std::set<int> seen;
            int real = 0;
            for (int col = 0; col < columns; ++col)
                for (int row = 0; row < rows; ++row) {
                    const int hex = col * 100 + row;
                    const std::int32_t i = l->hexToBlock(static_cast<std::int16_t>(hex));
                    if (col % 2 && row == rows - 1) {
                        EXPECT_EQ(i, -1) << hex;
                        continue;
                    }
                    ++real;
                    ASSERT_GE(i, 0) << hex;
                    EXPECT_TRUE(seen.insert(i).second) << hex;
                    EXPECT_EQ(l->blockToHex(i), hex);
                    ASSERT_NE(l->block(i), nullptr) << hex;
                }
            int blocks = 0;
            for (int i = 0; i < l->blockCount(); ++i)
                blocks += l->block(i) != nullptr;
            EXPECT_EQ(blocks, real);
        }
    }
}

TEST_F(HexGeometryTest, BlockLocationsAndNeighboursOfTheShiftedRows) {
    // 4 x 4 map turned round: c = 3 - col, shifted rows are those of odd columns (c = 0 and 2).
    auto l = flatMap(4, 4, 4);
    const struct {
        int hex;
        Point3D at;
    } places[] = {
        {0, Point3D(0, 3 * 48 - 12, 1)},        // col 0 row 0: sx = 0, sy = 3
        {101, Point3D(3 * 65, 2 * 48 - 12, 1)}, // col 1 row 1: sx = 2 + 1, sy = 2
        {300, Point3D(65, -12, 1)},             // col 3 row 0: sx = 1, sy = 0
    };
    for (const auto& p : places) {
        SCOPED_TRACE(p.hex);
        const std::int32_t i = l->hexToBlock(static_cast<std::int16_t>(p.hex));
        ASSERT_NE(l->block(i), nullptr);
        EXPECT_EQ(l->block(i)->location(), p.at);
    }
    // Screen row 0 (col 3) is shifted: W from position 1 has none; row 1 (col 2) is not: NW and SW from
    // position 0 have none.
    EXPECT_EQ((std::tuple{l->blockNeighbour(1, 7), l->blockNeighbour(4, 8), l->blockNeighbour(4, 6),
                          l->blockNeighbour(5, 2), l->blockNeighbour(5, 8), l->blockNeighbour(1, 4)}),
              std::tuple(-1, -1, -1, 2, 1, 5));
}

TEST_F(HexGeometryTest, SlopeMasksAndGroundFrames) {
    // 3 x 4 map at level 1, hex 101 at level 1 with its W (screen) neighbour 102 and E neighbour 100
    // at level 2: in the normal view row c = 1, p = 3 - row.
    auto l = PointedVaelLandscape::create(0);
    feed(*l, 3, 4, mapRegions(3, 4, [](int hex) { return hex == 100 || hex == 102 ? 2 : 1; }));
    const std::int32_t middle = l->hexToBlock(101);
    EXPECT_EQ(l->slopeMaskOf(middle), 9); // W 1 + E 8
    // Hex 0 has the raised hex 100 in front of it (SW), where the ground shows no slope: mask 0.
    EXPECT_EQ(l->slopeMaskOf(l->hexToBlock(0)), 0);
    // Row 2 below them: hex 200 (block 11) has 100 on its NW side, 201 (block 10) has 100 on its NE side.
    EXPECT_EQ((std::tuple{l->slopeMaskOf(11), l->slopeMaskOf(10), l->slopeMaskOf(9)}), std::tuple(2, 4, 2));
}

TEST_F(HexGeometryTest, RoadPiecesFollowTheirNeighbours) {
    // A lone road hex with every neighbour present runs W to E (piece 3).
    auto l = PointedVaelLandscape::create(0);
    feed(*l, 5, 5, mapRegions(5, 5, [](int) { return 1; }, {{202, 12}}));
    EXPECT_EQ(l->roadPieceOf(l->hexToBlock(202)), 3);
}

TEST_F(HexGeometryTest, TheHitTestAnswersTheFrontmostBlockAndTheSidesTurn) {
    EXPECT_EQ((std::tuple{PointedIsometricHexLandscape::rotateSideClockwise(8, 1),
                          PointedIsometricHexLandscape::rotateSideClockwise(4, 2),
                          PointedIsometricHexLandscape::rotateSideAnticlockwise(2, 1),
                          PointedIsometricHexLandscape::rotateSideAnticlockwise(5, 1)}),
              std::tuple(2, 7, 8, 5));
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

TEST_F(HexGeometryTest, TheGreenBushIndexIsClampedToTheGreenBushes) {
    // Six plain bushes and two green ones: the roll picks the sixth, which the green style has not.
    std::vector<std::unique_ptr<Bitmap>> pictures;
    auto l = PointedVaelLandscape::create(0);
    l->attach(app);
    for (int k = 0; k < 8; ++k) {
        pictures.push_back(std::make_unique<Bitmap>(Dim(4, 4), PixelKeyed));
        l->addOverlay(k < 6 ? 0 : 9, std::make_unique<BlockOverlay>(pictures.back().get(), Box(0, 0, 4, 4)));
    }
    Roll::script({0, 5, 0, 0, 0});
    l->beginLandscape(LandscapeDefinition{10, Point(1, 1), 1, 2});
    l->createRegions(mapRegions(1, 1, [](int) { return 1; }));
    EXPECT_EQ(l->block(0)->overlay(0, 0), l->libraryOverlay(9, 1));
    Roll::endScript();
}

} // namespace
} // namespace vael::test
