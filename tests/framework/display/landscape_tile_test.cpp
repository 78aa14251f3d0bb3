// The landscape tile: cells and points, the strips a scroll exposes, the property that any run of scrolls
// and block changes leaves the same back bitmap as a full repaint, sprites over presented boxes, and its
// bus events.
#include "framework/display/landscape_tile.h"

#include <gtest/gtest.h>

#include <random>

#include "framework/ui/placed_at.h"
#include "framework/ui/test_display.h"
#include "landscape_scene.h"
#include "support/display/table_palette.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

// Notes every area it is asked to draw: the target's size and the landscape point at its corner.
class RecordingLandscape : public BlockLandscape {
public:
    using BlockLandscape::BlockLandscape;
    void drawArea(Bitmap& target, const Point& origin) override {
        drawn.push_back(Box(origin, target.size()));
        BlockLandscape::drawArea(target, origin);
    }
    std::vector<Box> drawn;
};

constexpr Dim TileSize(100, 60);

// A 30 x 20 landscape of overlapping blocks, two of them with a second kind over their picture, on a
// background that repeats every 13 x 11 pixels, shown by a 100 x 60 tile of 10 x 5 cells.
class LandscapeTileTest : public ::testing::Test {
protected:
    void SetUp() override {
        background.reset(patternBitmap(13, 11));
        land.setBackground(background.get());
        for (int c = 0; c < 4; ++c) {
            pictures.emplace_back(solidBitmap(24, 18, static_cast<std::uint8_t>(100 + c * 20)));
            land.addOverlay(0, std::make_unique<BlockOverlay>(pictures.back().get(), Box(0, 0, 24, 18)));
        }
        land.attach(bus);
        sender.attach(bus);
        land.beginLandscape(LandscapeDefinition{0, Point(600, 300), 600, 0});
        for (int i = 0; i < 600; ++i)
            if (i % 7 != 3) // some regions have no block: the background shows there
                land.createRegion(regionAt(static_cast<std::uint16_t>(i), static_cast<std::int16_t>(i % 30),
                                           static_cast<std::int16_t>(i / 30),
                                           {static_cast<std::uint16_t>(i % 4)}));
        land.endLandscape();
        tile = std::make_unique<LandscapeTile>(Dim(10, 5), &sprites, Point(2, 3), Point(0, 0), "Tile");
        // Placed once it knows its landscape, the tile draws its picture as it takes its size.
        tile->attach(bus);
        tile->setParent(&parent, placedAt(Box(Point(0, 0), TileSize)));
        land.drawn.clear();
    }
    std::vector<std::uint8_t> fullRepaint() {
        Bitmap full(TileSize, PixelOpaque);
        land.BlockLandscape::drawArea(full, tile->origin());
        return pixelsOf(full);
    }
    std::vector<std::uint8_t> shown() {
        std::vector<std::uint8_t> out;
        for (int y = 0; y < TileSize.h; ++y)
            out.insert(out.end(), parent.bits() + y * parent.stride(),
                       parent.bits() + y * parent.stride() + TileSize.w);
        return out;
    }
    std::uint8_t shownAt(int x, int y) { return parent.bits()[y * parent.stride() + x]; }

    TablePaletteApp app;
    Bus bus{"Layer"};
    RecordingLandscape land{Dim(24, 18), Dim(20, 15)};
    Listener sender{{POINT_SELECTED, POINT_FLYBY}};
    std::unique_ptr<Bitmap> background;
    std::vector<std::unique_ptr<Bitmap>> pictures;
    TestDisplay parent{Dim(120, 80), "Window"};
    List<Sprite*> sprites;
    std::unique_ptr<LandscapeTile> tile;
};

TEST_F(LandscapeTileTest, CellsAndPointsWithAGridOffsetTruncateTowardZero) {
    LandscapeTile t(Dim(16, 8), nullptr, Point(3, 2), Point(1, 1));
    EXPECT_EQ(t.origin(), Point(48, 16)); // the grid offset is not taken off here
    const struct {
        Point point, cell;
    } rows[] = {
        {Point(0, 0), Point(1, 1)},     {Point(-16, -8), Point(0, 0)},    {Point(-17, -9), Point(0, 0)},
        {Point(-20, 0), Point(0, 1)},   {Point(-33, -17), Point(-1, -1)}, {Point(-32, -16), Point(-1, -1)},
        {Point(-31, -15), Point(0, 0)}, {Point(15, 7), Point(1, 1)},      {Point(16, 8), Point(2, 2)}};
    for (const auto& r : rows)
        EXPECT_EQ(t.pointToCell(r.point), r.cell) << r.point.x << "," << r.point.y;
    LandscapeTile none(Dim(0, 0), nullptr, Point(), Point());
    EXPECT_EQ((std::tuple{t.cellToPoint(Point(2, 3)), t.cellToPoint(Point(0, 0)), t.cellsToPixels(Dim(3, -2)),
                          t.pixelsToCells(Dim(47, -15)), t.originCell(), none.pointToCell(Point(5, 5))}),
              std::tuple(Point(16, 16), Point(-16, -8), Dim(48, -16), Dim(2, -1), Point(4, 3), Point(0, 0)));
}

TEST_F(LandscapeTileTest, AScrollDrawsOnlyTheExposedStrips) {
    tile->scrollToCell(Point(2, 3)); // the cell shown: nothing is painted
    EXPECT_TRUE(land.drawn.empty());
    const struct {
        const char* what;
        Dim by;
        std::vector<Box> drawn;
    } rows[] = {
        // Down and right: a full-height strip at the right, the rest of the bottom; up and left likewise.
        {"down and right", Dim(2, 1), {Box(120, 20, 20, 60), Box(40, 75, 80, 5)}},
        {"up and left", Dim(-2, -1), {Box(0, 10, 20, 60), Box(20, 10, 80, 5)}},
        {"right only", Dim(1, 0), {Box(120, 15, 10, 60)}},
        {"up only", Dim(0, -3), {Box(20, 0, 100, 15)}},
        {"down one", Dim(0, 1), {Box(20, 75, 100, 5)}},
        {"one pixel short of the width still shifts", Dim(9, 0), {Box(120, 15, 90, 60)}},
        {"the whole width repaints", Dim(10, 0), {Box(120, 15, 100, 60)}},
        {"the whole height repaints", Dim(0, -12), {Box(20, -45, 100, 60)}},
        {"no move paints nothing", Dim(0, 0), {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        tile->scrollToCell(Point(2, 3));
        tile->invalidateView();
        land.drawn.clear();
        // Each strip is drawn at its own place in the new bitmap, so the sizes and corners say it all.
        tile->scrollByCells(r.by);
        EXPECT_EQ(land.drawn, r.drawn);
        EXPECT_EQ(pixelsOf(tile->backBitmap()), fullRepaint());
    }
}

// A paint after a scroll has been painted draws nothing more and keeps the picture where it stands: the
// scroll is not applied a second time.
TEST_F(LandscapeTileTest, PaintingAgainAfterAScrollNeitherShiftsNorDraws) {
    for (const Dim by : {Dim(2, 1), Dim(-1, 0), Dim(0, -3)}) {
        SCOPED_TRACE(std::to_string(by.w) + " " + std::to_string(by.h));
        tile->scrollToCell(Point(2, 3));
        tile->scrollByCells(by);
        land.drawn.clear();
        tile->paint();
        EXPECT_TRUE(land.drawn.empty());
        EXPECT_EQ(tile->previousOrigin(), tile->origin());
        EXPECT_EQ(pixelsOf(tile->backBitmap()), fullRepaint());
    }
}

TEST_F(LandscapeTileTest, AfterRandomScrollsAndBlockChangesTheBackBitmapEqualsAFullRepaint) {
    // The tile found its landscape, which knows the tile, and shows it whole.
    EXPECT_EQ((std::tuple{tile->landscape(), land.tiles().count()}), std::tuple(&land, 1));
    tile->invalidateView();
    EXPECT_EQ((std::tuple{shown(), tile->dirtyBoxes().empty()}), std::tuple(fullRepaint(), true));
    std::mt19937 random(132);
    const auto draw = [&](int low, int high) {
        return static_cast<std::int16_t>(std::uniform_int_distribution<int>(low, high)(random));
    };
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE(step);
        const int what = draw(0, 5);
        if (what <= 2)
            tile->scrollByCells(Dim{draw(-12, 12), draw(-14, 14)}); // braces: drawn in order
        else if (what == 3)
            tile->scrollToCell(Point{draw(-5, 60), draw(-5, 60)});
        else if (what == 4)
            land.toggleHighlightBlock(draw(0, 599));
        else
            land.toggleHalfHighlightBox(Box(tile->origin() + Point(30, 20), Dim(30, 20)));
        ASSERT_EQ(pixelsOf(tile->backBitmap()), fullRepaint());
        // The landscape only marks what it redrew; the tile presents it when asked.
        tile->refresh();
        ASSERT_EQ(shown(), fullRepaint());
    }
}

TEST_F(LandscapeTileTest, DirtyBoxesAreClippedToTheTileBeforeTheyAreDrawn) {
    tile->invalidateView();
    land.invalidate(Box(0, 0, 30, 20)); // the tile shows from (20, 15)
    land.invalidate(Box(500, 200, 10, 10));
    land.highlightBlock(0, 1); // its box joins the first
    EXPECT_EQ(land.drawn, std::vector<Box>({Box(20, 15, 10, 5)}));
    land.drawn.clear();
    land.toggleHighlightBlock(0); // the block at (0, 0) is 24 x 18: 4 x 3 of it is on the tile
    EXPECT_EQ(land.drawn, std::vector<Box>({Box(20, 15, 4, 3)}));
    // Far off, just right of the tile, and its last pixel.
    for (Box b : {Box(400, 200, 10, 10), Box(120, 15, 1, 1), Box(119, 74, 1, 1)})
        land.invalidateArea(b);
    EXPECT_EQ(land.drawn, std::vector<Box>({Box(20, 15, 4, 3), Box(119, 74, 1, 1)}));
    EXPECT_EQ(pixelsOf(tile->backBitmap()), fullRepaint());
}

TEST_F(LandscapeTileTest, SpritesOverAPresentedBoxAreDrawnAndRemembered) {
    std::unique_ptr<Bitmap> frame(solidBitmap(4, 4, 77));
    Sprite over(0, Point3D(30, 20, 0), frame.get(), 0, 0, DrawPlain),
        away(0, Point3D(400, 20, 0), frame.get(), 0, 0, DrawPlain);
    sprites << &over << &away;
    tile->scrollToCell(Point(2, 4)); // origin (20, 20): a rebuild
    EXPECT_EQ(
        (std::tuple{shownAt(10, 0), shownAt(13, 3), shownAt(14, 4) != 77, valuesOf(tile->visibleSprites())}),
        std::tuple(77, 77, true, std::vector<Sprite*>{&over}));
    sprites.remove(&over); // the visible list is what is tested now
    tile->invalidateView();
    EXPECT_EQ(shownAt(10, 0), 77);
    Container<Sprite*> gone(&over);
    delete sender.sendNowNamed("SpriteDestroyed", &gone);
    EXPECT_TRUE(tile->visibleSprites().isEmpty());
}

TEST_F(LandscapeTileTest, BusEventsScrollInvalidateAndReportPoints) {
    FailedChecks checks;
    Container<long> wrong(1);
    Container<Point> cell(Point(1, 1)); // to the cell
    Container<Dim> by(Dim(2, -1));      // by cells
    std::vector<Point> origins;
    for (ContainerBase* payload : std::initializer_list<ContainerBase*>{&wrong, &cell, &by})
        delete sender.sendNow(SCROLL_TO, payload), origins.push_back(tile->origin());
    EXPECT_EQ(checks.texts, std::vector<std::string>{"Bad data passed in bus message -- SCROLL_TO  Abort?"});
    EXPECT_EQ(origins, (std::vector<Point>{Point(20, 15), Point(10, 5), Point(30, 0)}));
    tile->leftButtonDown(Point(5, 6));
    tile->mouseMoved(Point(99, 59));
    ASSERT_EQ(sender.heard.size(), 2u);
    Point selected, flyby;
    Container<Point>::fromMessage(sender.heard[0].second.get(), selected);
    Container<Point>::fromMessage(sender.heard[1].second.get(), flyby);
    EXPECT_EQ((std::tuple{sender.heard[0].first, selected, sender.heard[1].first, flyby}),
              std::tuple(BusMessage(POINT_SELECTED), Point(35, 6), BusMessage(POINT_FLYBY), Point(129, 59)));
}

TEST_F(LandscapeTileTest, InvalidateViewWithNoPayloadOnlyPresentsWhatIsPending) {
    tile->invalidateView();
    tile->enableDrawing(0);
    tile->markLandscapeBox(Box(30, 25, 5, 5));
    delete sender.sendNowEmpty(INVALIDATE_VIEW);
    EXPECT_EQ(tile->dirtyBoxes(), std::vector<Box>{Box(10, 10, 5, 5)});
    tile->enableDrawing(1);
    EXPECT_TRUE(tile->dirtyBoxes().empty());
    tile->enableDrawing(0);
    Container<Box> box(Box(0, 0, 30, 20));
    delete sender.sendNow(INVALIDATE_VIEW, &box);
    EXPECT_EQ(tile->dirtyBoxes(), std::vector<Box>{Box(0, 0, 10, 5)});
}

TEST_F(LandscapeTileTest, WithNoLandscapeKnownDrawLeavesTheDirtyBoxes) {
    Bus other{"Other"};
    LandscapeTile lonely(Dim(10, 5), &sprites, Point(), Point(), "Lonely");
    lonely.setParent(&parent, placedAt(Box(0, 0, 20, 10)));
    lonely.attach(other);
    lonely.invalidateView();
    EXPECT_EQ((std::tuple{lonely.landscape(), lonely.dirtyBoxes()}),
              std::tuple(nullptr, std::vector<Box>{Box(0, 0, 20, 10)}));
}

TEST_F(LandscapeTileTest, AfterCloseGameTheOldTileIsNoLongerDrawnInto) {
    delete sender.sendNowNamedEmpty("CloseGame");
    EXPECT_EQ((std::tuple{tile->landscape(), land.tiles().count()}), std::tuple(nullptr, 0));
}

} // namespace
} // namespace vael::test
