#include <gtest/gtest.h>

#include "framework/ui/text_tile.h"
#include "picture_dump.h"
#include "placed_at.h"
#include "support/test_application.h"
#include "test_display.h"
#include "test_pictures.h"

namespace vael::test {
namespace {

using Rows = std::vector<std::string>;

class PlainTile : public Tile {
public:
    using Tile::Tile;
    void enableMouseEvents() override { enableMouseEvent(MouseLeftDown); }
};

class BottomUpApplication : public TestApplication {
public:
    std::int16_t dibOrientation() override { return 1; }
};

TEST(Tile, ClampsToTheParentAndViewsItsRowsByOrientation) {
    const struct {
        const char* what;
        bool bottomUp;
        Box box;
        Dim size;
        std::uint16_t padding;
        std::ptrdiff_t offset; // of the first pixel in the parent's rows
    } cases[] = {
        {"past the right and bottom", false, Box(10, 5, 200, 100), Dim(90, 45), 10, 5 * 100 + 10},
        {"rows stored bottom-up", true, Box(10, 5, 200, 100), Dim(90, 45), 10, 0 * 100 + 10},
        {"bottom-up, wholly inside", true, Box(10, 5, 20, 10), Dim(20, 10), 80, 35 * 100 + 10},
        {"one column left", false, Box(99, 0, 5, 5), Dim(1, 5), 99, 99},
        {"at the right edge: nothing", false, Box(100, 0, 5, 5), Dim(0, 0), 0, -1},
        {"at the bottom edge: nothing", false, Box(0, 50, 5, 5), Dim(0, 0), 0, -1},
        {"negative origin shrinks", false, Box(-4, 3, 20, 10), Dim(16, 10), 84, 3 * 100},
        {"negative past its size", false, Box(-25, -2, 20, 10), Dim(0, 0), 0, -1},
        {"zero width", false, Box(5, 5, 0, 10), Dim(0, 0), 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TestApplication> app =
            c.bottomUp ? std::make_unique<BottomUpApplication>() : std::make_unique<TestApplication>();
        TestDisplay parent(Dim(100, 50), "parent");
        PlainTile tile(Box(0, 0, 1, 1));
        tile.setParent(&parent, TWindowMetrics());
        tile.setBox(c.box);
        EXPECT_EQ(tile.size(), c.size);
        EXPECT_EQ(tile.padding(), c.padding);
        EXPECT_EQ(tile.bits() ? tile.bits() - parent.bits() : -1, c.offset);
        if (tile.bits()) {
            EXPECT_EQ(tile.stride(), parent.stride());
        }
    }
}

TEST(Tile, SetBoxPlacesTheOriginAtZeroForNegativeCoordinates) {
    TestApplication app;
    TestDisplay parent(Dim(100, 50), "parent");
    PlainTile tile(Box(0, 0, 1, 1));
    tile.setParent(&parent, TWindowMetrics());
    tile.setBox(Box(-4, 3, 20, 10));
    EXPECT_EQ((std::pair{tile.x(), tile.y()}), (std::pair<std::int16_t, std::int16_t>{0, 3}));
    EXPECT_EQ(tile.width(), 16);
}

TEST(Tile, FillChangesOnlyItsRectangleAndDirtiesTheParentThere) {
    TestApplication app;
    TestDisplay parent(Dim(10, 6), "parent"); // stride 12
    parent.fill('.');
    PlainTile tile(Box(0, 0, 1, 1));
    tile.setParent(&parent, placedAt(Box(2, 3, 4, 2)));
    ASSERT_EQ(tile.bounds(), Box(2, 3, 4, 2));
    parent.clearDirtyBoxes();
    EXPECT_EQ(tile.fill('#'), Box(0, 0, 4, 2));
    EXPECT_EQ(rowsOf(parent),
              (Rows{"..........", "..........", "..........", "..####....", "..####....", ".........."}));
    EXPECT_EQ(parent.dirtyBoxes(), (std::vector<Box>{Box(2, 3, 4, 2)}));
    // The padding of the parent's rows is left alone.
    for (int y = 0; y < 6; ++y)
        EXPECT_EQ((std::pair{parent.bits()[y * 12 + 10], parent.bits()[y * 12 + 11]}),
                  (std::pair<std::uint8_t, std::uint8_t>{'.', '.'}));
}

TEST(Tile, InvalidatingReachesTheOutermostDisplayMovedByEveryOrigin) {
    TestApplication app;
    TestDisplay parent(Dim(40, 30), "parent");
    PlainTile outer(Box(0, 0, 1, 1)), inner(Box(0, 0, 1, 1));
    outer.setParent(&parent, placedAt(Box(10, 5, 20, 20)));
    inner.setParent(&outer, placedAt(Box(3, 4, 10, 10)));
    parent.clearDirtyBoxes();
    inner.invalidate(Box(1, 1, 2, 2));
    EXPECT_EQ(parent.dirtyBoxes(), (std::vector<Box>{Box(14, 10, 2, 2)}));
    // Drawing through the inner tile lands in the parent's pixels at the same place.
    RedIsIndex colours;
    inner.fillRect(Box(1, 1, 2, 2), '*', 0, 0);
    EXPECT_EQ(rowsOf(parent)[10].substr(13, 4), ".**.");
    EXPECT_EQ(rowsOf(parent)[11].substr(13, 4), ".**.");
    EXPECT_EQ(rowsOf(parent)[12].substr(13, 4), "....");
}

TEST(Tile, AnUnplacedTileHasNoPixelsAndForwardsNothing) {
    TestApplication app;
    PlainTile tile(Point(3, 4), Dim(7, 8), nullptr);
    EXPECT_EQ(tile.getName(), "Unnamed Tile");
    EXPECT_EQ(tile.bits(), nullptr);
    EXPECT_EQ(tile.size(), Dim(7, 8));
    EXPECT_EQ(tile.fill(1), Box());
    EXPECT_EQ(tile.fillRect(Box(0, 0, 2, 2), 1, 1, 1), Box());
    EXPECT_EQ(tile.rootDisplay(), nullptr);
    tile.invalidate(Box(0, 0, 2, 2)); // nothing to pass it to
    EXPECT_EQ(tile.isMouseEventEnabled(MouseLeftDown), 0);
}

TEST(Tile, PlacingEnablesItsMouseKindsAndDetachingOrDestroyingTakesItOut) {
    TestApplication app;
    TestDisplay parent(Dim(40, 30), "parent");
    auto tile = std::make_unique<PlainTile>(Box(0, 0, 1, 1));
    tile->setParent(&parent, placedAt(Box(1, 1, 5, 5)));
    EXPECT_EQ(tile->isMouseEventEnabled(MouseLeftDown), 1);
    EXPECT_EQ(tile->rootDisplay(), &parent);
    EXPECT_EQ(parent.children().count(), 1);
    tile->detachFromParent();
    EXPECT_EQ(
        (std::tuple{parent.children().count(), tile->parent(), tile->isMouseEventEnabled(MouseLeftDown)}),
        (std::tuple{0, static_cast<Display*>(nullptr), std::int16_t(0)}));
    tile->setParent(&parent, placedAt(Box(1, 1, 5, 5)));
    tile.reset();
    EXPECT_EQ(parent.children().count(), 0);
    TWindowMetrics m;
    EXPECT_EQ(parent.layout().getChildMetrics(nullptr, m), 0);
}

TEST(Tile, AParentResizeGivesTheTileAFreshView) {
    TestApplication app;
    TestDisplay parent(Dim(20, 10), "parent");
    PlainTile tile(Box(0, 0, 1, 1));
    tile.setParent(&parent, placedAt(Box(2, 2, 4, 4)));
    parent.resize(Dim(30, 12));
    EXPECT_EQ(tile.bits(), parent.bits() + 2 * 32 + 2);
    EXPECT_EQ(tile.padding(), 28);
}

TEST(TextTile, DrawsItsTextWithTheCapitalsTouchingTheTopEdge) {
    TestApplication app;
    TestPictures pictures;
    pictures["MS Sans Serif 2"] = dialogGlyphs();
    TestDisplay parent(Dim(8, 8), "parent");
    TextTile label(-1, "AB", Point(30, 40), Dim(6, 7));
    EXPECT_EQ((std::tuple{label.getName(), label.id(), label.position(), label.text()}),
              (std::tuple{std::string("Unnamed Text Tile"), -1, Point(30, 40), std::string("AB")}));
    label.setParent(&parent, placedAt(Box(1, 1, 6, 7)));
    label.draw();
    EXPECT_EQ(rowsOf(parent), (Rows{"........", ".AAA.B..", ".AAA.B..", ".AAA.B..", ".AAA.B..", ".AAA.B..",
                                    ".AAA.B..", "........"}));
    label.setText("");
    parent.fill(0);
    label.draw();
    EXPECT_EQ(rowsOf(parent), Rows(8, "........"));
    EXPECT_EQ(label.size(), Dim(6, 7));
}

} // namespace
} // namespace vael::test
