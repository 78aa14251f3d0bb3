// The battle map's tile: boxes scaled between the zoom levels and back to the sprite grid, edge scrolling
// with its cursors and delay, scrolls and centring kept inside the map, and points sent with the zoom.
#include "game/map/vael_landscape_tile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/bus.h"
#include "framework/core/container.h"
#include "framework/display/block_landscape.h"
#include "framework/ui/placed_at.h"
#include "framework/ui/test_display.h"
#include "support/display/solid_bitmap.h"
#include "support/display/table_palette.h"

namespace vael::test {
namespace {

TEST(VaelLandscapeTileScaling, FullSizeBoxesShrinkToTheZoomShown) {
    const struct {
        const char* what;
        Box full;
        std::uint16_t zoom;
        Box zoomed;
    } rows[] = {
        {"full size is unchanged", Box(130, 64, 65, 32), 0, Box(130, 64, 65, 32)},
        {"half: one cell", Box(130, 64, 65, 32), 1, Box(66, 32, 33, 16)},
        {"quarter: one cell", Box(130, 64, 65, 32), 2, Box(34, 16, 17, 8)},
        // 64 * 33 / 65 = 32.49 and 3 / 2 = 1.5, both truncated
        {"half truncates", Box(64, 3, 64, 3), 1, Box(32, 1, 32, 1)},
        {"quarter truncates", Box(64, 7, 4, 3), 2, Box(16, 1, 1, 0)},
        // toward zero, not down: -10 * 33 / 65 = -5.08, -7 / 2 = -3.5
        {"half of negative", Box(-10, -7, 3, 5), 1, Box(-5, -3, 1, 2)},
        {"quarter of negative", Box(-10, -7, 3, 5), 2, Box(-2, -1, 0, 1)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(VaelLandscapeTile::scaledToZoom(r.full, r.zoom), r.zoomed);
    }
}

TEST(VaelLandscapeTileScaling, ZoomBoxesGrowBackForTheGridLookUp) {
    const struct {
        const char* what;
        Box zoomed;
        std::uint16_t zoom;
        Box full, span;
    } rows[] = {
        // x 0 to 64 of the half-size picture: 64 * 130 / 66 = 126, so grid columns 0 and 1.
        {"half reaches two columns", Box(0, 0, 64, 10), 1, Box(0, 0, 126, 20), Box(0, 1, 1, 1)},
        {"quarter", Box(17, 40, 17, 8), 2, Box(65, 160, 65, 32), Box(1, 2, 2, 2)},
        {"full", Box(64, 159, 1, 1), 0, Box(64, 159, 1, 1), Box(0, 1, 1, 2)},
        {"just inside column 0 and row 1", Box(64, 159, 0, 0), 0, Box(64, 159, 0, 0), Box(0, 1, 0, 1)},
        {"just inside column 1 and row 2", Box(65, 160, 0, 0), 0, Box(65, 160, 0, 0), Box(1, 2, 1, 2)},
        // Negative corners step one cell back before dividing: (-1 - 65) / 65 = -1, (-1 - 160) / 160 = -1.
        {"one pixel left of and above the map", Box(-1, -1, 10, 10), 0, Box(-1, -1, 10, 10),
         Box(-1, 0, 0, 1)},
        {"a whole cell left", Box(-65, -160, 0, 0), 0, Box(-65, -160, 0, 0), Box(-2, -1, -1, 0)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const Box full = VaelLandscapeTile::scaledToFull(r.zoomed, r.zoom);
        EXPECT_EQ(full, r.full);
        EXPECT_EQ(VaelLandscapeTile::gridSpan(full), r.span);
    }
}

TEST(VaelLandscapeTileScaling, CursorNamesOfTheEightDirections) {
    const struct {
        Dim d;
        const char* name;
    } rows[] = {{Dim(0, -1), "MoveNorth"},    {Dim(1, -1), "MoveNorthEast"}, {Dim(1, 0), "MoveEast"},
                {Dim(1, 1), "MoveSouthEast"}, {Dim(0, 1), "MoveSouth"},      {Dim(-1, 1), "MoveSouthWest"},
                {Dim(-1, 0), "MoveWest"},     {Dim(-1, -1), "MoveNorthWest"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_STREQ(VaelLandscapeTile::cursorNameOf(r.d), r.name);
    }
    EXPECT_EQ(VaelLandscapeTile::cursorNameOf(Dim()), nullptr);
}

// A tile whose mouse is where the test puts it.
class MouseTile : public VaelLandscapeTile {
public:
    using VaelLandscapeTile::VaelLandscapeTile;
    Point cursorPosition() override { return mouse; }
    Point mouse;
};

// Hears what the tile asks of its window and sends to the layer.
class MapListener : public Component {
public:
    MapListener() : Component("Map listener") {}
    void connectHandlers() override {
        connectNamed("ChangeCursor", [](Component* me, BusMessage, ContainerBase* data) -> ContainerBase* {
            if (auto* c = dynamic_cast<Container<const char*>*>(data))
                static_cast<MapListener*>(me)->cursors.emplace_back(c->value());
            return nullptr;
        });
        const auto point = [](Component* me, BusMessage, ContainerBase* data) -> ContainerBase* {
            if (auto* p = dynamic_cast<Container<PointInfo>*>(data))
                static_cast<MapListener*>(me)->points.push_back(p->value());
            return nullptr;
        };
        connectNamed("VaelPointFlyby", point);
        connectNamed("VaelPointSelected", point);
    }
    std::vector<std::string> cursors;
    std::vector<PointInfo> points;
};

// A map of (10, 9): 20 x 19 cells. A 500 x 400 tile at full size shows 7 x 12 of them.
class VaelLandscapeTileTest : public ::testing::Test {
protected:
    void SetUp() override {
        listener.attach(bus);
        tile = std::make_unique<MouseTile>(nullptr, Dim(), "Demo", Dim(10, 9), 0, Point(3, 3), 1);
        tile->attach(bus);
        tile->setParent(&parent, placedAt(Box(0, 0, 500, 400)));
        placedOrigin = tile->origin();
        tile->scrollToCell(Point(3, 3));
    }
    void TearDown() override { tile.reset(); }

    TablePaletteApp app;
    Bus bus{"Map"};
    MapListener listener;
    Point placedOrigin;
    TestDisplay parent{Dim(520, 420), "Window"};
    std::unique_ptr<MouseTile> tile;
};

TEST_F(VaelLandscapeTileTest, MapAndViewCells) {
    // Taking its size, the overview keeps the centre of the empty view at the start cell (3, 3): the
    // corner (3 - 7 / 2, 3 - 12 / 2) is held inside the map at (0, 0), and the tile follows it there.
    EXPECT_EQ((std::tuple{tile->mapCells(), tile->viewCells(), placedOrigin, tile->originCell(),
                          tile->overview().getBus() == &bus}),
              std::tuple(Dim(20, 19), Dim(7, 12), Point(-65, -64), Point(3, 3), true));
}

TEST_F(VaelLandscapeTileTest, EdgeBandsStartTheScrollWithTheirCursor) {
    const struct {
        const char* what;
        Point at;
        Dim direction;
        std::int16_t delay;
    } rows[] = {
        {"left band", Point(24, 200), Dim(-1, 0), 0},
        {"just right of the left band", Point(25, 200), Dim(0, 0), 0},
        {"right band", Point(476, 200), Dim(1, 0), 0},
        {"just left of the right band", Point(475, 200), Dim(0, 0), 0},
        {"top band below the delay line", Point(200, 15), Dim(0, -1), 0},
        {"top band on the delay line", Point(200, 14), Dim(0, -1), 5},
        {"just below the top band", Point(200, 35), Dim(0, 0), 0},
        {"bottom band", Point(200, 366), Dim(0, 1), 0},
        {"just above the bottom band", Point(200, 365), Dim(0, 0), 0},
        {"top-left corner", Point(0, 0), Dim(-1, -1), 5},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        tile->onMouseMove(Point(250, 200)); // back to the middle: any scroll stops at its next tick
        tile->mouse = Point(250, 200);
        tile->edgeScrollStep();
        listener.cursors.clear();
        listener.points.clear();
        tile->onMouseMove(r.at);
        EXPECT_EQ(tile->scrollDirection(), r.direction);
        if (r.direction == Dim()) {
            EXPECT_EQ((std::tuple{tile->edgeScrolling(), listener.cursors.size(), listener.points.size()}),
                      std::tuple(0, 0u, 1u));
        } else {
            EXPECT_EQ(
                (std::tuple{tile->edgeScrolling(), tile->delay(), listener.cursors, listener.points.size()}),
                std::tuple(1, r.delay, std::vector<std::string>{VaelLandscapeTile::cursorNameOf(r.direction)},
                           0u));
        }
    }
}

TEST_F(VaelLandscapeTileTest, TheTimerScrollsAfterTheDelayAndStopsOutsideTheBand) {
    tile->scrollToCell(Point(3, 3));
    tile->mouse = Point(200, 10);
    tile->onMouseMove(tile->mouse);
    for (int tick = 0; tick < 5; ++tick) {
        tile->edgeScrollStep();
        ASSERT_EQ(tile->originCell(), Point(3, 3)) << "tick " << tick;
    }
    tile->edgeScrollStep();
    EXPECT_EQ(tile->originCell(), Point(3, 2));
    // Along the edge into the corner: the cursor turns diagonal, the delay is not started again.
    tile->mouse = Point(490, 10);
    tile->onMouseMove(tile->mouse);
    EXPECT_EQ((std::tuple{listener.cursors.back(), tile->delay()}),
              std::tuple(std::string("MoveNorthEast"), 0));
    tile->edgeScrollStep();
    EXPECT_EQ(tile->originCell(), Point(4, 1));
    tile->edgeScrollStep();
    tile->edgeScrollStep(); // the top row is reached: only x goes on
    EXPECT_EQ(tile->originCell(), Point(6, 0));
    tile->mouse = Point(250, 200);
    tile->edgeScrollStep();
    EXPECT_EQ((std::tuple{tile->edgeScrolling(), listener.cursors.back()}),
              std::tuple(0, std::string("ArrowCursor")));
}

TEST_F(VaelLandscapeTileTest, ClampedScrollsStopAtTheMapsCells) {
    const struct {
        Point from;
        Dim by;
        Point to;
    } rows[] = {
        {Point(0, 0), Dim(-1, -1), Point(0, 0)},  {Point(1, 1), Dim(-1, -1), Point(0, 0)},
        {Point(13, 7), Dim(1, 1), Point(13, 7)},  {Point(12, 6), Dim(1, 1), Point(13, 7)},
        {Point(13, 0), Dim(1, -1), Point(13, 0)}, {Point(5, 5), Dim(0, 1), Point(5, 6)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.from.x << "," << r.from.y << " by " << r.by.w << "," << r.by.h);
        tile->scrollToCell(r.from);
        tile->scrollByCellsClamped(r.by);
        EXPECT_EQ(tile->originCell(), r.to);
    }
}

TEST_F(VaelLandscapeTileTest, CenterOnKeepsTheViewInsideAndCentresASmallMap) {
    // The point's cell less (3, 6), raised to 0 and lowered to (13, 7).
    const struct {
        Point point, cell;
    } rows[] = {
        {Point(650, 320), Point(8, 6)}, {Point(0, 0), Point(0, 0)}, {Point(5000, 5000), Point(13, 7)}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.point.x << "," << r.point.y);
        tile->centerOn(r.point);
        EXPECT_EQ(tile->originCell(), r.cell);
    }
    // A map of (2, 2) has 6 x 7 cells; at quarter size the tile shows 29 x 50: centred at (-11, -21).
    MouseTile small(nullptr, Dim(), "Small", Dim(2, 2), 2, Point(0, 0), 1);
    small.attach(bus);
    small.setParent(&parent, placedAt(Box(0, 0, 500, 400)));
    small.centerOn(Point3D(40, 40, 0));
    EXPECT_EQ(small.originCell(), Point(-11, -21));
    small.mouse = Point(0, 0);
    small.onMouseMove(small.mouse);
    EXPECT_EQ(small.edgeScrolling(), 0);
}

TEST_F(VaelLandscapeTileTest, PointsGoOutInMapPixelsWithTheZoom) {
    tile->scrollToCell(Point(3, 3));
    tile->setViewFlags(5);
    tile->onLeftButtonDown(Point(100, 100));
    ASSERT_EQ(listener.points.size(), 1u);
    // Origin (3, 3) cells less the grid offset (1, 2) cells: (130, 32).
    EXPECT_EQ((std::tuple{listener.points[0].point, listener.points[0].zoom}),
              std::tuple(Point(230, 132), 1));
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// A 130 x 160 tile at the origin over a patterned background shows the grid columns 0 and 1 of row 1.
class VaelLandscapeTileDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        background.reset(patternBitmap(13, 11));
        land.setBackground(background.get());
        land.attach(bus);
        land.beginLandscape(LandscapeDefinition{0, Point(600, 600), 0, 0});
        land.endLandscape();
        for (int r = 0; r < 3; ++r)
            rows[r] = cells[r];
        a.reset(solidBitmap(20, 20, 200));
        b.reset(solidBitmap(20, 20, 210));
        c.reset(solidBitmap(20, 20, 220));
        tile = std::make_unique<VaelLandscapeTile>(rows, Dim(3, 3), "Demo", Dim(10, 9), 0, Point(0, 0), 0);
        tile->attach(bus);
        tile->setParent(&parent, placedAt(Box(0, 0, 130, 160)));
        tile->scrollToCell(Point(1, 2)); // the landscape's origin at the corner
    }
    void TearDown() override { tile.reset(); }
    std::vector<std::uint8_t> shown() {
        std::vector<std::uint8_t> out;
        for (int y = 0; y < 160; ++y)
            out.insert(out.end(), parent.bits() + y * parent.stride(),
                       parent.bits() + y * parent.stride() + 130);
        return out;
    }

    TablePaletteApp app;
    Bus bus{"Map"};
    BlockLandscape land{Dim(24, 18), Dim(20, 15)};
    std::unique_ptr<Bitmap> background, a, b, c;
    List<Sprite*> cells[3][3];
    List<Sprite*>* rows[3];
    TestDisplay parent{Dim(140, 170), "Window"};
    std::unique_ptr<VaelLandscapeTile> tile;
};

TEST_F(VaelLandscapeTileDrawing, EachSpriteIsDrawnOnlyInsideItsGridCell) {
    // A leans over into column 1 and B back into column 0; each is cut at the column's edge x 65. C stands
    // in view but is filed in row 2 (y 160 and below), which the tile does not show.
    Sprite sa(0, Point3D(55, 10, 0), a.get(), 0, 0, DrawPlain),
        sb(0, Point3D(60, 20, 0), b.get(), 0, 0, DrawPlain),
        sc(0, Point3D(10, 100, 0), c.get(), 0, 0, DrawPlain);
    cells[1][0].append(&sa);
    cells[1][1].append(&sb);
    cells[2][0].append(&sc);
    tile->invalidateView();

    Bitmap reference(Dim(130, 160), PixelOpaque);
    land.drawArea(reference, Point(0, 0));
    std::vector<std::uint8_t> expected = pixelsOf(reference);
    const auto paint = [&](const Box& box, std::uint8_t colour) {
        for (int y = box.y; y < box.y + box.h; ++y)
            for (int x = box.x; x < box.x + box.w; ++x)
                expected[static_cast<std::size_t>(y * 130 + x)] = colour;
    };
    paint(Box(55, 10, 10, 20), 200);
    paint(Box(65, 20, 15, 20), 210);
    EXPECT_EQ(shown(), expected);
}

TEST_F(VaelLandscapeTileDrawing, ADirtyBoxRedrawsOnlyTheCellsItReaches) {
    Sprite sa(0, Point3D(55, 10, 0), a.get(), 0, 0, DrawPlain),
        sb(0, Point3D(100, 10, 0), b.get(), 0, 0, DrawPlain);
    cells[1][0].append(&sa);
    cells[1][1].append(&sb);
    tile->invalidateView();
    // Both sprites move away without telling the tile; only the box over A is redrawn from the grid.
    cells[1][0].clear();
    cells[1][1].clear();
    tile->invalidateBox(Box(50, 5, 15, 30));
    EXPECT_EQ(
        (std::tuple{parent.bits()[15 * parent.stride() + 56], parent.bits()[15 * parent.stride() + 105]}),
        std::tuple(patternAt(56 % 13, 15 % 11), std::uint8_t{210}));
}

} // namespace
} // namespace vael::test
