// What the pointed landscape draws and finds under a point: the frontmost block answers the hit test,
// cliffs come from the group of the lower level with the frame of the drop, a drop of one draws none.
#include <gtest/gtest.h>

#include "forged_map_scene.h"

namespace vael::test {
namespace {

class DrawingTest : public ForgedMapScene {};

TEST_F(DrawingTest, TheFrontmostBlockAnswersWhereTwoOverlap) {
    make(3, 3, [](int) { return 1; });
    // Block 1 (row 0, position 1) lies at (130, -12); its skirt and the face of its SE neighbour, block
    // 5 at (195, 36), both cover (230, 48). Block 5 is drawn later, over it.
    PointedVaelLandscape& l = normal();
    ASSERT_EQ((std::tuple{l.block(1)->location(), l.block(5)->location()}),
              std::tuple(Point3D(130, -12, 1), Point3D(195, 36, 1)));
    EXPECT_TRUE(l.block(1)->bitmap()->isOpaqueAt(Point(100, 60)));
    EXPECT_EQ(l.blockAtPoint(Point(230, 48)), 5);
    EXPECT_EQ(l.blockAtPoint(Point(131, 20)), 1);
    EXPECT_EQ(l.blockAtPoint(Point(-5, -40)), -1);
}

TEST_F(DrawingTest, CliffsByTheDropToTheLowerLevel) {
    // Hex 101 (block 4: row 1, position 1 of a shifted row) stands above its SW and SE neighbours, hexes
    // 202 and 201 (blocks 6 and 7) of column 2.
    const struct {
        int high, low;
        int frame; // -1: no cliff
    } rows[] = {{2, 1, -1}, {3, 1, 0}, {4, 1, 1}, {3, 0, 1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.high) + " over " + std::to_string(r.low));
        make(3, 3, [&](int hex) { return hex == 101 ? r.high : hex / 100 == 2 ? r.low : r.high; });
        PointedVaelLandscape& l = normal();
        const std::int32_t i = l.hexToBlock(101);
        ASSERT_EQ(i, 4);
        ASSERT_EQ((std::tuple{l.blockNeighbour(i, 6), l.blockNeighbour(i, 4)}), std::tuple(6, 7));
        Bitmap target(Dim(400, 300), PixelOpaque);
        target.fill(1);
        const Point origin(0, -100);
        l.drawBlock(target, origin, i);
        const Point3D at = l.block(i)->location();
        // The cliff's right half starts 59 pixels below the block's top, half a block to the right; its
        // row 18 lies below the block's own picture (76 pixels high).
        const int x = at.x - origin.x + 65 + 30, y = at.y - origin.y + 59 + 18;
        const std::uint8_t drawn = target.bits()[y * target.stride() + x];
        if (r.frame < 0) {
            EXPECT_EQ(drawn, 1);
            continue;
        }
        OIF<Bitmap>& ground = l.groundArchive();
        Bitmap* cliff =
            ground.image(ground.imageIndexAt(static_cast<std::int16_t>(r.frame),
                                             static_cast<std::int16_t>(ground.findGroup("Cliff 0") + r.low)));
        ASSERT_NE(cliff, nullptr);
        cliff->lock();
        const int V = (i % 3) * 130;
        EXPECT_EQ(drawn, cliff->bits()[18 * cliff->stride() + V + 65 + 30]);
        EXPECT_NE(drawn, 1);
    }
}

TEST_F(DrawingTest, TheGapAtTheStartOfAShiftedRowIsFilledWithHalfAHex) {
    make(3, 3, [](int) { return 1; });
    PointedVaelLandscape& l = normal();
    // Block 4 (row 1, position 1) starts half a hex in; the right half of frame 0 of the level-1 ground
    // fills the 65 pixels before it, with the grid's right half over it only while the grid shows.
    const Point3D at = l.block(4)->location();
    ASSERT_EQ(at, Point3D(65, 36, 1));
    OIF<Bitmap>& ground = l.groundArchive();
    Bitmap* fill = ground.image(ground.imageIndexAt(0, ground.findGroup("Level 1")));
    ASSERT_NE(fill, nullptr);
    fill->lock();
    for (std::int16_t grid : {0, 1}) {
        SCOPED_TRACE(grid);
        l.showHexGrid(grid);
        Bitmap target(Dim(300, 200), PixelOpaque);
        target.fill(1);
        const Point origin(0, 0);
        l.drawBlock(target, origin, 4);
        // Inside the gap, clear of the grid's lines: the ground alone either way.
        EXPECT_EQ(target.bits()[(at.y + 32) * target.stride() + 20],
                  fill->bits()[32 * fill->stride() + 65 + 20]);
        // Where the grid's east edge crosses the middle row, its line shows only while the grid does.
        BlockOverlay* line = l.libraryOverlay(7, 0);
        ASSERT_NE(line, nullptr);
        const Bitmap& g = *line->bitmap();
        int gx = g.width() - 1;
        while (gx > 65 && g.bits()[32 * g.stride() + gx] == 0)
            --gx;
        ASSERT_GT(gx, 65);
        const std::uint8_t drawn = target.bits()[(at.y + 32) * target.stride() + gx - 65];
        EXPECT_EQ(drawn == g.bits()[32 * g.stride() + gx], grid == 1);
        EXPECT_EQ(drawn == fill->bits()[32 * fill->stride() + gx], grid == 0);
    }
}

} // namespace
} // namespace vael::test
