// Blocks and the block landscape: overlay layers and slots, draw order and modes pinned by pixels, the
// background's tiling, the highlight family and region commands, against pixels worked out by hand.
#include "framework/display/block_landscape.h"

#include <gtest/gtest.h>

#include "landscape_scene.h"
#include "support/display/table_palette.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

class BlockTest : public ::testing::Test {
    TablePaletteApp app;
};

TEST_F(BlockTest, SetOverlayMakesTheLayersAndSlotsBelowIt) {
    PhysicalBlock block(Point3D(0, 0, 0), 4, Dim(8, 8));
    BlockOverlay overlay;
    block.setOverlay(3, 2, &overlay, Point(1, 2));
    EXPECT_EQ((std::tuple{block.layerCount(), block.slotCount(0), block.slotCount(1), block.slotCount(2),
                          block.slotCount(3)}),
              std::tuple(4, 0, 0, 0, 3));
    for (std::uint16_t slot : {0, 1}) {
        SCOPED_TRACE(slot);
        EXPECT_EQ((std::tuple{block.hasOverlay(3, slot), block.isOverlayVisible(3, slot),
                              block.overlayOffset(3, slot)}),
                  std::tuple(0, 0, Point()));
        block.setOverlayVisible(3, slot, 1);
        EXPECT_EQ(block.isOverlayVisible(3, slot), 0);
    }
    EXPECT_EQ((std::tuple{block.hasOverlay(3, 2), block.isOverlayVisible(3, 2), block.overlayOffset(3, 2)}),
              std::tuple(1, 1, Point(1, 2)));
    block.toggleOverlayVisible(3, 2);
    EXPECT_EQ(block.isOverlayVisible(3, 2), 0);
    EXPECT_EQ((std::tuple{block.hasOverlay(4, 0), block.hasOverlay(3, 3), block.overlay(9, 9)}),
              std::tuple(0, 0, nullptr));
    block.moveOverlay(3, 2, Point(2, -1));
    EXPECT_EQ(block.overlayOffset(3, 2), Point(3, 1));
}

TEST_F(BlockTest, ContainsAndCentreAtTheEdges) {
    PhysicalBlock block(Point3D(-10, 4, 2), 1, Dim(5, 3));
    const struct {
        Point p;
        std::int16_t inside;
    } rows[] = {{Point(-10, 4), 1}, {Point(-11, 4), 0}, {Point(-6, 6), 1},
                {Point(-5, 6), 0},  {Point(-6, 7), 0},  {Point(-10, 3), 0}};
    for (const auto& r : rows)
        EXPECT_EQ(block.contains(r.p), r.inside) << r.p.x << "," << r.p.y;
    EXPECT_EQ((std::tuple{block.center(), block.intersects(Box(-5, 0, 3, 4)),
                          block.intersects(Box(-4, 0, 3, 4)), PhysicalBlock().index()}),
              std::tuple(Point3D(-8, 5, 2), true, false, 0xFFFF));
}

TEST_F(BlockTest, LayersBelowThePictureLayerLieUnderItAndTheFlagsChooseTheMode) {
    std::unique_ptr<Bitmap> under(solidBitmap(4, 1, 10)), picture(solidBitmap(2, 1, 20)),
        over(solidBitmap(1, 1, 30)), top(solidBitmap(4, 1, 0, PixelKeyed));
    top->bits()[1] = 40; // keyed: only the second pixel shows
    BlockOverlay a(under.get(), Box(0, 0, 4, 1)), b(over.get(), Box(0, 0, 1, 1)),
        c(top.get(), Box(0, 0, 4, 1));
    PhysicalBlock block(Point3D(12, 5, 0), 0, Dim(4, 1));
    block.setBitmap(picture.get(), 1);
    block.setOverlay(0, 0, &a, Point());
    block.setOverlay(1, 0, &b, Point(3, 0));
    block.setOverlay(1, 1, &c, Point());
    const struct {
        std::uint16_t highlight, half;
        std::int16_t mode;
        int step; // of the mode's table in the test palette
    } rows[] = {
        {0, 0, DrawPlain, 0}, {1, 0, DrawLight, 3}, {0, 1, DrawHalfLight, 4}, {1, 1, DrawMixedLight, 5}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.highlight) + "/" + std::to_string(r.half));
        block.setHighlight(r.highlight);
        block.setHalfHighlight(r.half);
        Bitmap target(Dim(6, 1), PixelOpaque);
        target.fill(1);
        block.draw(target, Point(11, 5));
        auto s = [&](int v) { return static_cast<std::uint8_t>(v + r.step); };
        EXPECT_EQ(pixelsOf(target), (std::vector<std::uint8_t>{1, s(20), s(40), s(10), s(30), 1}));
        EXPECT_EQ(block.drawMode(), r.mode);
    }
    // With picture layer 0 every overlay lies over the picture.
    PhysicalBlock flat(Point3D(0, 0, 0), 0, Dim(2, 1));
    flat.setBitmap(picture.get(), 0);
    flat.setOverlay(0, 0, &b, Point(1, 0));
    Bitmap target(Dim(2, 1), PixelOpaque);
    flat.draw(target, Point());
    EXPECT_EQ(pixelsOf(target), (std::vector<std::uint8_t>{20, 30}));
}

class BlockLandscapeTest : public BlockTest {
protected:
    void SetUp() override {
        land.attach(bus);
        sender.attach(bus);
        // Kind 0: colours 50 and 60; kind 1: colour 60.
        for (auto [kind, colour] : {std::pair(0, 50), {0, 60}, {1, 60}}) {
            pictures.emplace_back(solidBitmap(10, 10, static_cast<std::uint8_t>(colour)));
            land.addOverlay(static_cast<std::uint16_t>(kind),
                            std::make_unique<BlockOverlay>(pictures.back().get(), Box(0, 0, 10, 10)));
        }
    }
    void fill() {
        fillOverBus(
            sender, Dim(100, 100),
            {regionAt(0, 0, 0, {0}), regionAt(1, 1, 0, {1, 0}), regionAt(2, 2, 0, {7}), regionAt(3, 0, 1)});
    }
    std::vector<std::unique_ptr<Bitmap>> pictures;
    Bus bus{"Layer"};
    BlockLandscape land{Dim(10, 10), Dim(10, 10)};
    Listener sender;
};

TEST_F(BlockLandscapeTest, TheSecondListChoosesEachKindsOverlay) {
    fill();
    EXPECT_EQ((std::tuple{land.block(0)->overlay(0, 0), land.block(1)->overlay(0, 0),
                          land.block(1)->overlay(0, 1)}),
              std::tuple(land.libraryOverlay(0, 0), land.libraryOverlay(0, 1), land.libraryOverlay(1, 0)));
    EXPECT_EQ((std::tuple{land.block(2)->slotCount(0), land.block(2)->hasOverlay(0, 0),
                          land.block(3)->layerCount(), land.findBlock(2), land.findBlock(9)}),
              std::tuple(1, 0, 0, 2, -1));
}

TEST_F(BlockLandscapeTest, RegionsOutsideTheTableAreLeftOut) {
    Container<LogicalRegion> early(regionAt(0, 0, 0));
    delete sender.sendNow(CREATE_REGION, &early);
    EXPECT_EQ(land.blockCount(), 0);
    fillOverBus(sender, Dim(100, 100), {regionAt(0, 0, 0), regionAt(2, 1, 1), regionAt(0xFFFF, 1, 1)}, 2);
    EXPECT_EQ((std::tuple{land.blockCount(), land.block(1)}), std::tuple(2, nullptr));
}

TEST_F(BlockLandscapeTest, TheBackgroundTilesFromAPositiveRemainderAtNegativeOrigins) {
    std::unique_ptr<Bitmap> background(patternBitmap(130, 64));
    land.setBackground(background.get());
    const struct {
        Point origin;
        int x0, y0; // where the first tile lands
    } rows[] = {{Point(-10, 70), -120, -6},
                {Point(0, 0), 0, 0},
                {Point(130, 64), 0, 0},
                {Point(-130, -1), 0, -63},
                {Point(5, 3), -5, -3}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.origin.x) + "," + std::to_string(r.origin.y));
        Bitmap target(Dim(200, 80), PixelOpaque);
        land.drawBackground(target, r.origin);
        for (Point p : {Point(0, 0), Point(199, 79), Point(60, 40)})
            EXPECT_EQ(pixelAt(target, p.x, p.y), patternAt((p.x - r.x0) % 130, (p.y - r.y0) % 64))
                << p.x << "," << p.y;
    }
}

TEST_F(BlockLandscapeTest, ThePointFindsTheLowerIndexOfOverlappingBlocks) {
    fillOverBus(sender, Dim(100, 100), {regionAt(0, 1, 1), regionAt(1, 0, 0)});
    // Block 1 moves onto block 0.
    land.createRegion(regionAt(1, 1, 1));
    EXPECT_EQ((std::tuple{land.blockAtPoint(Point(15, 15)), land.blockAtPoint(Point(5, 5))}),
              std::tuple(0, -1));
}

TEST_F(BlockLandscapeTest, HighlightsActOnlyWhileComplete) {
    LandscapeDefinition d{0, Point(100, 100), 4, 0};
    land.beginLandscape(d);
    land.createRegion(regionAt(0, 0, 0));
    land.createRegion(regionAt(1, 1, 0));
    land.highlightAll(1);
    land.highlightBlock(0, 1);
    const auto lit = [&] { return std::tuple{land.block(0)->highlight(), land.block(1)->highlight()}; };
    EXPECT_EQ(lit(), std::tuple(0, 0));
    land.endLandscape();
    List<short> list;
    list << -1 << 1 << 2 << 99 << -7;
    land.highlightRegionList(list, 1);
    EXPECT_EQ(lit(), std::tuple(0, 1));
    land.toggleHighlightBox(Box(0, 0, 10, 10)); // touches block 1 at its left edge too
    EXPECT_EQ(lit(), std::tuple(1, 0));
    land.halfHighlightAtPoint(Point(12, 3), 1);
    land.halfHighlightAtPoint(Point(50, 50), 1);
    for (std::int16_t block : {0, -1, 3})
        land.toggleHalfHighlightBlock(block);
    EXPECT_EQ((std::tuple{land.block(0)->halfHighlight(), land.block(1)->halfHighlight()}), std::tuple(1, 1));
    land.setBlockOverlayVisible(0, 0, 0, 0);
    delete sender.sendNowNamedEmpty("CloseGame");
    land.highlightAll(1);
    EXPECT_EQ((std::tuple{land.blockCount(), land.isComplete()}), std::tuple(0, 0));
}

TEST_F(BlockLandscapeTest, RegionCommandsSwapTheOverlayOrEmptyTheSlot) {
    fill();
    const struct {
        const char* what;
        RegionCommand command;
        BlockOverlay* expected;
    } rows[] = {
        {"the second overlay of kind 0", {0, 0, 1}, land.libraryOverlay(0, 1)},
        {"a value past the kind's overlays", {0, 0, 2}, nullptr},
        {"kind 1", {0, 1, 0}, land.libraryOverlay(1, 0)},
        {"a kind past the library", {0, 5, 0}, nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Container<RegionCommand> box(r.command);
        delete sender.sendNowNamed("Change Region Attribute", &box);
        EXPECT_EQ(land.block(0)->overlay(0, r.command.attribute), r.expected);
        EXPECT_EQ(land.block(0)->isOverlayVisible(0, r.command.attribute), r.expected != nullptr);
    }
    Container<List<RegionCommand>> list;
    *list.valuePtr() << RegionCommand{1, 0, 0} << RegionCommand{40, 0, 0} << RegionCommand{2, 0, 1};
    delete sender.sendNowNamed("Change Region Attribute", &list);
    EXPECT_EQ((std::tuple{land.block(1)->overlay(0, 0), land.block(2)->overlay(0, 0)}),
              std::tuple(land.libraryOverlay(0, 0), land.libraryOverlay(0, 1)));
    PhysicalBlock copy = land.blockCopy(2);
    EXPECT_EQ((std::tuple{copy.index(), copy.overlay(0, 0), copy.location(), land.blockZ(2)}),
              std::tuple(2, land.libraryOverlay(0, 1), Point3D(20, 0, 2), 2));
}

TEST_F(BlockLandscapeTest, DrawAreaPaintsTheBackgroundThenTheBlocksInTableOrder) {
    std::unique_ptr<Bitmap> background(solidBitmap(4, 4, 3));
    land.setBackground(background.get());
    fill();
    land.block(3)->setLocation(Point3D(5, 5, 0)); // over blocks 0 and 1, drawn after them
    land.block(3)->setOverlay(0, 0, land.libraryOverlay(1, 0), Point());
    Bitmap target(Dim(40, 20), PixelOpaque);
    land.drawArea(target, Point(-5, 0));
    const struct {
        Point p;
        std::uint8_t colour;
    } rows[] = {{Point(0, 0), 3},   {Point(5, 0), 50},  {Point(14, 4), 50},
                {Point(15, 0), 60}, {Point(10, 5), 60}, {Point(9, 9), 50},
                {Point(30, 0), 3},  {Point(25, 0), 3},  {Point(39, 19), 3}};
    for (const auto& r : rows)
        EXPECT_EQ(pixelAt(target, r.p.x, r.p.y), r.colour) << r.p.x << "," << r.p.y;
}

} // namespace
} // namespace vael::test
